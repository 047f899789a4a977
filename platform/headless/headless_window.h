#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/headless/headless_toolkit.h"
#include "platform/support/progress_model.h"

namespace rlq::platform {

class HeadlessWindow final : public Window {
  public:
    HeadlessWindow(HeadlessToolkit& toolkit, std::string name, const DialogLayout& layout,
                   std::string_view title, WindowHandler& handler);
    ~HeadlessWindow() override;

    void SetTitle(std::string_view title) override;
    std::string Title() const override { return m_title; }
    bool HasControl(int id) const override { return m_controls.count(id) != 0; }
    void SetControlText(int id, std::string_view text) override;
    std::string ControlText(int id) const override;
    void ShowControl(int id) override;
    // No geometry here: the text and the showing are what a test sees.
    void ShowWrappedText(int id, std::string_view text) override {
        SetControlText(id, text);
        ShowControl(id);
    }
    void EnableControl(int id, bool enable) override;
    bool IsControlVisible(int id) const override;
    bool IsControlEnabled(int id) const override;
    void SetProgressRange(int id, std::uint32_t low, std::uint32_t high) override;
    void SetProgressPosition(int id, std::uint32_t position) override;
    void SetProgressStep(int id, std::uint32_t step) override;
    void StepProgress(int id) override;
    std::uint32_t ProgressPosition(int id) const override;
    void InvalidateControl(int id) override;
    void UpdateNow() override;
    void StartTimer(int timerId, std::chrono::milliseconds period) override;
    void KillTimer(int timerId) override;
    void Post(std::function<void()> task) override;
    void EndModal(int code) override;
    void PostCloseRequest() override;

    const std::string& Name() const { return m_name; }
    WindowHandler& Handler() { return m_handler; }
    bool NeedsPaint() const { return m_needsPaint; }
    void Paint();
    void Invalidate() { m_needsPaint = true; }
    bool ModalEnded() const { return m_modalEnded; }
    int ModalCode() const { return m_modalCode; }
    std::weak_ptr<void> Alive() const { return m_alive; }

  private:
    struct Control {
        ControlKind kind;
        std::string text;
        bool visible;
        bool enabled = true;
        ProgressModel progress{};
    };
    Control& Get(int id);
    const Control* Find(int id) const;
    void Record(UiEvent::Kind kind, int control, std::string text = {}, std::uint32_t low = 0,
                std::uint32_t high = 0);

    HeadlessToolkit& m_toolkit;
    std::string m_name;
    std::string m_title;
    WindowHandler& m_handler;
    std::map<int, Control> m_controls;
    bool m_needsPaint = false;
    bool m_modalEnded = false;
    int m_modalCode = 0;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace rlq::platform
