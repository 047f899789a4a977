#pragma once
// A dialog window (the main window's form or a modal dialog) behind the Window interface.

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

#include "platform/ui.h"

namespace rlq::platform::win32 {

class Win32Window final : public Window {
  public:
    // `dialog` holds the controls; `topLevel` carries the title and takes close requests (the
    // frame for the form, the dialog itself otherwise).
    Win32Window(HWND dialog, HWND topLevel, WindowHandler& handler);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    void SetTitle(std::string_view title) override;
    std::string Title() const override;
    bool HasControl(int id) const override;
    void SetControlText(int id, std::string_view text) override;
    std::string ControlText(int id) const override;
    void ShowControl(int id) override;
    void ShowWrappedText(int id, std::string_view text) override;
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

    HWND Dialog() const { return m_dialog; }
    WindowHandler& Handler() const { return m_handler; }
    // Runs the tasks posted so far; called for the task message.
    void RunPostedTasks();
    // The window is going: tasks still queued are dropped.
    void Detach();

    // The registered message that wakes a window for its posted tasks.
    static UINT TaskMessage();

  private:
    HWND Control(int id) const;
    // The client area's height below the lowest visible control other than `except`.
    int BottomMargin(HWND except) const;

    HWND m_dialog;
    HWND m_topLevel;
    WindowHandler& m_handler;
    std::mutex m_taskLock;
    std::deque<std::function<void()>> m_tasks;
    bool m_detached = false;
};

}  // namespace rlq::platform::win32
