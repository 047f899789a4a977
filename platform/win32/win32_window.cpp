#include "platform/win32/win32_window.h"

#include <commctrl.h>

#include <vector>

#include "platform/win32/wide_text.h"

namespace rlq::platform::win32 {
namespace {

std::string WindowText(HWND window) {
    if (window == nullptr) {
        return {};
    }
    const int length = ::GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    return Narrow(std::wstring_view(text.data(), static_cast<std::size_t>(got)));
}

}  // namespace

Win32Window::Win32Window(HWND dialog, HWND topLevel, WindowHandler& handler)
    : m_dialog(dialog), m_topLevel(topLevel), m_handler(handler) {}

Win32Window::~Win32Window() {
    Detach();
}

UINT Win32Window::TaskMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"RLQUpdater.PostedTask");
    return message;
}

HWND Win32Window::Control(int id) const {
    return ::GetDlgItem(m_dialog, id);
}

void Win32Window::SetTitle(std::string_view title) {
    ::SetWindowTextW(m_topLevel, Widen(title).c_str());
}

std::string Win32Window::Title() const {
    return WindowText(m_topLevel);
}

bool Win32Window::HasControl(int id) const {
    return Control(id) != nullptr;
}

void Win32Window::SetControlText(int id, std::string_view text) {
    // Unchanged text is not set again, so the control does not flicker on every refresh.
    if (ControlText(id) != text) {
        ::SetDlgItemTextW(m_dialog, id, Widen(text).c_str());
    }
}

std::string Win32Window::ControlText(int id) const {
    return WindowText(Control(id));
}

void Win32Window::ShowControl(int id) {
    ::ShowWindow(Control(id), SW_SHOWNA);
}

void Win32Window::EnableControl(int id, bool enable) {
    ::EnableWindow(Control(id), enable ? TRUE : FALSE);
}

bool Win32Window::IsControlVisible(int id) const {
    HWND control = Control(id);
    return control != nullptr && (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Win32Window::IsControlEnabled(int id) const {
    HWND control = Control(id);
    return control != nullptr && ::IsWindowEnabled(control) != FALSE;
}

void Win32Window::SetProgressRange(int id, std::uint32_t low, std::uint32_t high) {
    ::SendMessageW(Control(id), PBM_SETRANGE32, static_cast<WPARAM>(low),
                   static_cast<LPARAM>(high));
}

void Win32Window::SetProgressPosition(int id, std::uint32_t position) {
    ::SendMessageW(Control(id), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32Window::SetProgressStep(int id, std::uint32_t step) {
    ::SendMessageW(Control(id), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void Win32Window::StepProgress(int id) {
    ::SendMessageW(Control(id), PBM_STEPIT, 0, 0);
}

std::uint32_t Win32Window::ProgressPosition(int id) const {
    return static_cast<std::uint32_t>(::SendMessageW(Control(id), PBM_GETPOS, 0, 0));
}

void Win32Window::InvalidateControl(int id) {
    HWND control = Control(id);
    if (control == nullptr) {
        return;
    }
    RECT area;
    ::GetWindowRect(control, &area);
    ::MapWindowPoints(HWND_DESKTOP, m_dialog, reinterpret_cast<POINT*>(&area), 2);
    ::InvalidateRect(m_dialog, &area, FALSE);
}

void Win32Window::UpdateNow() {
    ::RedrawWindow(m_dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Window::StartTimer(int timerId, std::chrono::milliseconds period) {
    ::SetTimer(m_dialog, static_cast<UINT_PTR>(timerId), static_cast<UINT>(period.count()),
               nullptr);
}

void Win32Window::KillTimer(int timerId) {
    ::KillTimer(m_dialog, static_cast<UINT_PTR>(timerId));
}

void Win32Window::Post(std::function<void()> task) {
    {
        std::lock_guard lock(m_taskLock);
        if (m_detached) {
            return;
        }
        m_tasks.push_back(std::move(task));
    }
    ::PostMessageW(m_dialog, TaskMessage(), 0, 0);
}

void Win32Window::RunPostedTasks() {
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard lock(m_taskLock);
        tasks.swap(m_tasks);
    }
    for (auto& task : tasks) {
        task();
    }
}

void Win32Window::Detach() {
    std::lock_guard lock(m_taskLock);
    m_detached = true;
    m_tasks.clear();
}

void Win32Window::EndModal(int code) {
    ::EndDialog(m_dialog, code);
}

void Win32Window::PostCloseRequest() {
    ::PostMessageW(m_topLevel, WM_CLOSE, 0, 0);
}

}  // namespace rlq::platform::win32
