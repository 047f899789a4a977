#include "platform/win32/win32_toolkit.h"

#include <algorithm>
#include <stdexcept>

#include "platform/win32/dialog_template.h"
#include "platform/win32/frame_menu.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_window.h"

namespace rlq::platform::win32 {
namespace {

constexpr wchar_t kFrameClass[] = L"RLQUpdaterFrame";
// Captioned, with system menu and minimise box; neither sizing border nor maximise box.
constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// What a dialog's creation hands to its dialog procedure.
struct DialogStart {
    WindowHandler& handler;
    HWND topLevel;                  // null: a modal dialog, its own top level
    std::vector<HWND>* modalStack;  // where a modal dialog is registered while it runs
    std::unique_ptr<Win32Window> window;
};

Win32Window* WindowOf(HWND dialog) {
    return reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

void CentreOverOwner(HWND dialog) {
    HWND owner = ::GetWindow(dialog, GW_OWNER);
    RECT outer;
    RECT own;
    if (owner == nullptr || !::GetWindowRect(owner, &outer)) {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &outer, 0);
    }
    ::GetWindowRect(dialog, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    RECT work;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int x = outer.left + ((outer.right - outer.left) - width) / 2;
    int y = outer.top + ((outer.bottom - outer.top) - height) / 2;
    x = std::clamp<int>(x, work.left, std::max<int>(work.left, work.right - width));
    y = std::clamp<int>(y, work.top, std::max<int>(work.top, work.bottom - height));
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HICON LoadProgramIcon(HINSTANCE instance, int id, int metricX, int metricY) {
    if (id == 0) {
        return nullptr;
    }
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON,
                                           ::GetSystemMetrics(metricX), ::GetSystemMetrics(metricY),
                                           LR_DEFAULTCOLOR));
}

// No window station or display to draw on: a fault to report, not a window to use.
[[noreturn]] void ThrowCannotMake(const char* part) {
    throw std::runtime_error(std::string("the main window's ") + part +
                             " cannot be made: " + SystemErrorText(::GetLastError()));
}

}  // namespace

Win32Toolkit::Win32Toolkit() : m_instance(::GetModuleHandleW(nullptr)) {
    WNDCLASSEXW frameClass{};
    frameClass.cbSize = sizeof frameClass;
    frameClass.lpfnWndProc = &Win32Toolkit::FrameProc;
    frameClass.hInstance = m_instance;
    frameClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = kFrameClass;
    ::RegisterClassExW(&frameClass);
}

Win32Toolkit::~Win32Toolkit() {
    m_tearingDown = true;
    if (m_frame != nullptr && ::IsWindow(m_frame)) {
        ::DestroyWindow(m_frame);
    }
    if (m_accelerators != nullptr) {
        ::DestroyAcceleratorTable(m_accelerators);
    }
    for (HICON icon : {m_bigIcon, m_smallIcon}) {
        if (icon != nullptr) {
            ::DestroyIcon(icon);
        }
    }
}

Window& Win32Toolkit::CreateMainWindow(const MainWindowLayout& layout, WindowHandler& frame,
                                       WindowHandler& view) {
    m_frameHandler = &frame;
    m_accelerators = BuildAccelerators(layout.accelerators);
    m_frame = ::CreateWindowExW(0, kFrameClass, Widen(layout.title).c_str(), kFrameStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                BuildMenu(layout.menu), m_instance, this);
    if (m_frame == nullptr) {
        ThrowCannotMake("frame");
    }
    m_bigIcon = LoadProgramIcon(m_instance, layout.iconId, SM_CXICON, SM_CYICON);
    m_smallIcon = LoadProgramIcon(m_instance, layout.iconId, SM_CXSMICON, SM_CYSMICON);
    if (m_bigIcon != nullptr) {
        ::SendMessageW(m_frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
    }
    if (m_smallIcon != nullptr) {
        ::SendMessageW(m_frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    }
    const std::vector<std::uint16_t> form = BuildDialogTemplate(layout.form);
    DialogStart start{view, m_frame, nullptr, nullptr};
    ::CreateDialogIndirectParamW(m_instance, reinterpret_cast<LPCDLGTEMPLATEW>(form.data()),
                                 m_frame, &Win32Toolkit::DialogProc,
                                 reinterpret_cast<LPARAM>(&start));
    m_form = std::move(start.window);
    if (!m_form) {
        ThrowCannotMake("form");
    }
    FitFrameToForm();
    return *m_form;
}

void Win32Toolkit::FitFrameToForm() {
    RECT form;
    ::GetWindowRect(m_form->Dialog(), &form);
    const int width = form.right - form.left;
    const int height = form.bottom - form.top;
    RECT outer{0, 0, width, height};
    ::AdjustWindowRectEx(&outer, kFrameStyle, ::GetMenu(m_frame) != nullptr, 0);
    ::SetWindowPos(m_frame, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar that wraps takes more than one line: make up the difference.
    RECT client;
    ::GetClientRect(m_frame, &client);
    const int missing = height - (client.bottom - client.top);
    if (missing != 0) {
        ::SetWindowPos(m_frame, nullptr, 0, 0, outer.right - outer.left,
                       outer.bottom - outer.top + missing,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Win32Toolkit::ShowMainWindow() {
    // No UpdateWindow here: the view's first paint comes through the queue, once the message
    // loop runs.
    ::ShowWindow(m_frame, SW_SHOW);
}

Window* Win32Toolkit::MainWindow() {
    return m_frame != nullptr ? m_form.get() : nullptr;
}

int Win32Toolkit::RunModal(const DialogLayout& layout, WindowHandler& handler) {
    const std::vector<std::uint16_t> dialog = BuildDialogTemplate(layout);
    DialogStart start{handler, nullptr, &m_modalStack, nullptr};
    const INT_PTR code = ::DialogBoxIndirectParamW(
        m_instance, reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), m_frame,
        &Win32Toolkit::DialogProc, reinterpret_cast<LPARAM>(&start));
    if (start.window) {
        std::erase(m_modalStack, start.window->Dialog());
    }
    return static_cast<int>(code);
}

void Win32Toolkit::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
    const UINT type = MB_OK | (icon == MessageIcon::Exclamation ? MB_ICONEXCLAMATION : 0);
    ::MessageBoxW(m_frame, Widen(text).c_str(), Widen(caption).c_str(), type);
}

bool Win32Toolkit::PreTranslate(MSG& message) {
    if (!m_modalStack.empty()) {
        return ::IsDialogMessageW(m_modalStack.back(), &message) != FALSE;
    }
    if (m_frame == nullptr) {
        return false;
    }
    if (m_accelerators != nullptr && ::TranslateAcceleratorW(m_frame, m_accelerators, &message)) {
        return true;
    }
    return m_form && ::IsDialogMessageW(m_form->Dialog(), &message) != FALSE;
}

void Win32Toolkit::PumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that ends
            return;
        }
        if (!PreTranslate(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

int Win32Toolkit::RunMessageLoop() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!PreTranslate(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK Win32Toolkit::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* toolkit = reinterpret_cast<Win32Toolkit*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (toolkit == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return toolkit->OnFrameMessage(window, message, wParam, lParam);
}

LRESULT Win32Toolkit::OnFrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // Menu items and accelerators; the form's buttons report to the form.
            m_frameHandler->OnCommand(LOWORD(wParam));
            return 0;
        case WM_CLOSE:
            if (m_frameHandler->OnCloseRequest()) {
                ::DestroyWindow(window);
            }
            return 0;
        case WM_SETFOCUS:
            if (m_form) {
                ::SetFocus(m_form->Dialog());
            }
            return 0;
        case WM_DESTROY:
            m_frame = nullptr;
            if (!m_tearingDown) {
                ::PostQuitMessage(0);  // no loop runs any more while the toolkit goes
            }
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

INT_PTR CALLBACK Win32Toolkit::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* start = reinterpret_cast<DialogStart*>(lParam);
        HWND topLevel = start->topLevel != nullptr ? start->topLevel : dialog;
        start->window = std::make_unique<Win32Window>(dialog, topLevel, start->handler);
        ::SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(start->window.get()));
        if (start->modalStack != nullptr) {
            start->modalStack->push_back(dialog);
            CentreOverOwner(dialog);
        }
        start->handler.OnCreate(*start->window);
        return TRUE;
    }
    Win32Window* window = WindowOf(dialog);
    if (window == nullptr) {
        return FALSE;
    }
    if (message == Win32Window::TaskMessage()) {
        window->RunPostedTasks();
        return TRUE;
    }
    WindowHandler& handler = window->Handler();
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (id == IDCANCEL) {
                handler.OnCancel();
            } else if (id == IDOK && ::GetDlgItem(dialog, IDOK) == nullptr) {
                handler.OnOk();  // Enter, with no button of that id
            } else if (HIWORD(wParam) == BN_CLICKED) {
                handler.OnCommand(id);
            }
            return TRUE;
        }
        case WM_CLOSE:
            handler.OnCancel();
            return TRUE;
        case WM_TIMER:
            handler.OnTimer(static_cast<int>(wParam));
            return TRUE;
        case WM_PAINT: {
            // The update region is validated first: a paint handler may run nested loops.
            PAINTSTRUCT paint;
            ::BeginPaint(dialog, &paint);
            ::EndPaint(dialog, &paint);
            handler.OnPaint();
            return TRUE;
        }
        case WM_DESTROY:
            handler.OnDestroy();
            window->Detach();
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace rlq::platform::win32
