#pragma once

#include "platform/ui.h"

namespace rlq {

// The about box on dialog 100; its only acting control is OK.
class CAboutDlg final : public platform::WindowHandler {
  public:
    void OnCreate(platform::Window& window) override { m_window = &window; }
    void OnCommand(int id) override;
    void OnOk() override;
    void OnCancel() override;

  private:
    platform::Window* m_window = nullptr;
};

}  // namespace rlq
