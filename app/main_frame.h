#pragma once

#include <functional>

#include "platform/ui.h"
#include "workflow/update_view.h"

namespace rlq {

// The main window's frame: the close rule and the menu commands.
class CMainFrame final : public platform::WindowHandler {
  public:
    CMainFrame(platform::Toolkit& ui, const CRLQUpdaterView& view, std::function<void()> onAbout,
               std::function<void()> onShowRecords)
        : m_ui(ui),
          m_view(view),
          m_onAbout(std::move(onAbout)),
          m_onShowRecords(std::move(onShowRecords)) {}

    void OnCommand(int id) override;
    bool OnCloseRequest() override { return OnClose(); }
    bool OnClose();

  private:
    platform::Toolkit& m_ui;
    const CRLQUpdaterView& m_view;
    std::function<void()> m_onAbout;
    std::function<void()> m_onShowRecords;
};

}  // namespace rlq
