#pragma once
// The windowing layer on Win32: the main window is a frame (caption, system menu, minimise box,
// menu, accelerators) around the form, a dialog made from the form's layout; modal dialogs come
// from their layouts too. Every call is on the thread that created the toolkit.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace rlq::platform::win32 {

class Win32Window;

class Win32Toolkit final : public Toolkit {
  public:
    Win32Toolkit();
    ~Win32Toolkit() override;
    Win32Toolkit(const Win32Toolkit&) = delete;
    Win32Toolkit& operator=(const Win32Toolkit&) = delete;

    Window& CreateMainWindow(const MainWindowLayout& layout, WindowHandler& frame,
                             WindowHandler& view) override;
    void ShowMainWindow() override;
    Window* MainWindow() override;
    int RunModal(const DialogLayout& layout, WindowHandler& handler) override;
    void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
    void PumpMessages() override;
    int RunMessageLoop() override;

    HWND FrameWindow() const { return m_frame; }

  private:
    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnFrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Keyboard handling of the frame and of the dialog in front; true when the message is done.
    bool PreTranslate(MSG& message);
    void FitFrameToForm();

    HINSTANCE m_instance;
    HWND m_frame = nullptr;
    HACCEL m_accelerators = nullptr;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    WindowHandler* m_frameHandler = nullptr;
    std::unique_ptr<Win32Window> m_form;
    std::vector<HWND> m_modalStack;
    bool m_tearingDown = false;
};

}  // namespace rlq::platform::win32
