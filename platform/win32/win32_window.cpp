#include "platform/win32/win32_window.h"

#include <commctrl.h>

#include <algorithm>
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

// A control's rectangle in its dialog's client coordinates.
RECT AreaIn(HWND dialog, HWND control) {
    RECT area;
    ::GetWindowRect(control, &area);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

// A device context on a control, with the control's font selected.
class ControlDc {
  public:
    explicit ControlDc(HWND control)
        : m_control(control),
          m_dc(::GetDC(control)),
          m_before(::SelectObject(
              m_dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)))) {}
    ~ControlDc() {
        ::SelectObject(m_dc, m_before);
        ::ReleaseDC(m_control, m_dc);
    }
    ControlDc(const ControlDc&) = delete;
    ControlDc& operator=(const ControlDc&) = delete;
    HDC Get() const { return m_dc; }

  private:
    HWND m_control;
    HDC m_dc;
    HGDIOBJ m_before;
};

// Japanese closing marks stay at the end of the line before.
bool StartsNoLine(wchar_t c) {
    return std::wstring_view(L"。、」）』").find(c) != std::wstring_view::npos;
}

// One paragraph broken into lines that each fit `width` pixels: at the last blank that fits,
// else (as in Japanese, which has none) after the last character that fits, but never before a
// closing mark. The breaks are ours, not the static control's, so what is measured is what is
// drawn, on Windows and on Wine alike.
void AppendWrapped(HDC dc, std::wstring_view paragraph, int width, std::wstring& wrapped) {
    while (true) {
        INT fit = 0;
        SIZE extent{};
        ::GetTextExtentExPointW(dc, paragraph.data(), static_cast<int>(paragraph.size()), width,
                                &fit, nullptr, &extent);
        std::size_t end = paragraph.size();
        if (static_cast<std::size_t>(fit) < paragraph.size()) {
            end = std::max<std::size_t>(static_cast<std::size_t>(fit), 1);
            const std::size_t blank = paragraph.substr(0, end + 1).find_last_of(L' ');
            if (blank != std::wstring_view::npos && blank > 0) {
                end = blank;
            }
            while (end > 1 && StartsNoLine(paragraph[end])) {
                --end;
            }
        }
        wrapped.append(paragraph.substr(0, end));
        paragraph.remove_prefix(end);
        while (!paragraph.empty() && paragraph.front() == L' ') {
            paragraph.remove_prefix(1);
        }
        if (paragraph.empty()) {
            return;
        }
        wrapped.append(L"\r\n");
    }
}

std::wstring WrapToWidth(HDC dc, std::wstring_view text, int width) {
    std::wstring wrapped;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find(L'\n', start), text.size());
        AppendWrapped(dc, text.substr(start, end - start), width, wrapped);
        if (end == text.size()) {
            return wrapped;
        }
        wrapped.append(L"\r\n");
        start = end + 1;
    }
}

int TextHeight(HDC dc, const std::wstring& text, int width) {
    RECT area{0, 0, width, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CALCRECT | DT_NOPREFIX);
    return area.bottom - area.top;
}

void GrowDown(HWND window, int pixels) {
    RECT area;
    ::GetWindowRect(window, &area);
    ::SetWindowPos(window, nullptr, 0, 0, area.right - area.left, area.bottom - area.top + pixels,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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

int Win32Window::BottomMargin(HWND except) const {
    RECT client;
    ::GetClientRect(m_dialog, &client);
    LONG lowest = 0;
    for (HWND child = ::GetWindow(m_dialog, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (child != except && (::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0) {
            lowest = std::max(lowest, AreaIn(m_dialog, child).bottom);
        }
    }
    return static_cast<int>(client.bottom - lowest);
}

void Win32Window::ShowWrappedText(int id, std::string_view text) {
    HWND control = Control(id);
    if (control == nullptr) {
        return;
    }
    const int margin = BottomMargin(control);
    const RECT area = AreaIn(m_dialog, control);
    const int width = area.right - area.left;
    int height = 0;
    {
        const ControlDc dc(control);
        const std::wstring lines = WrapToWidth(dc.Get(), Widen(text), width);
        height = TextHeight(dc.Get(), lines, width);
        ::SetWindowTextW(control, lines.c_str());
    }
    ::SetWindowPos(control, nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    ::GetClientRect(m_dialog, &client);
    const int grow = static_cast<int>(area.top + height + margin - client.bottom);
    if (grow > 0) {
        GrowDown(m_dialog, grow);
        if (m_topLevel != m_dialog) {
            GrowDown(m_topLevel, grow);
        }
    }
    ::ShowWindow(control, SW_SHOWNA);
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
    const RECT area = AreaIn(m_dialog, control);
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
