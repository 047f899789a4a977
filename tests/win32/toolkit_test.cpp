// The Win32 windowing layer on real windows (under Wine in the build: needs an X display).

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/win32/frame_menu.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_toolkit.h"
#include "platform/win32/win32_window.h"
#include "resources/dialog_layouts.h"
#include "resources/main_window_resources.h"
#include "resources/resource_ids.h"

namespace rlq::platform::win32 {
namespace {

using namespace std::chrono_literals;

struct RecordingHandler : WindowHandler {
    void OnCreate(Window& window) override {
        this->window = &window;
        ++creates;
        if (onCreate) {
            onCreate(window);
        }
    }
    void OnDestroy() override { ++destroys; }
    void OnPaint() override { ++paints; }
    void OnCommand(int id) override { commands.push_back(id); }
    void OnTimer(int id) override {
        if (onTimer) {
            onTimer(id);
        }
    }
    void OnCancel() override { ++cancels; }
    bool OnCloseRequest() override { return allowClose; }

    Window* window = nullptr;
    int creates = 0, destroys = 0, paints = 0, cancels = 0;
    std::vector<int> commands;
    bool allowClose = true;
    std::function<void(Window&)> onCreate;
    std::function<void(int)> onTimer;
};

class Win32ToolkitTest : public ::testing::Test {
  protected:
    Window& CreateMain() {
        const MainWindowLayout layout{"RLQ-610A firmware updater", res::FormLayout(),
                                      res::MainMenu(), res::MainAccelerators(), res::kProgramIcon};
        return ui.CreateMainWindow(layout, frame, view);
    }
    HWND FormOf(Window& window) { return static_cast<Win32Window&>(window).Dialog(); }
    // Wine's windows get their exposure from the X server a little later: wait for it.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            ui.PumpMessages();
        }
        return done();
    }

    Win32Toolkit ui;
    RecordingHandler frame;
    RecordingHandler view;
};

TEST_F(Win32ToolkitTest, MainWindowIsAFixedFrameSizedToTheForm) {
    Window& main = CreateMain();
    EXPECT_EQ(view.creates, 1);
    EXPECT_EQ(view.window, &main);
    EXPECT_EQ(ui.MainWindow(), &main);
    HWND frameWindow = ui.FrameWindow();
    const LONG style = ::GetWindowLongW(frameWindow, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(main.Title(), "RLQ-610A firmware updater");

    HMENU menu = ::GetMenu(frameWindow);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(::GetMenuItemCount(menu), 2);
    wchar_t text[64];
    ::GetMenuStringW(::GetSubMenu(menu, 1), res::kCmdAppAbout, text, 64, MF_BYCOMMAND);
    EXPECT_EQ(Narrow(text), "バージョン情報(&A)...");
    ::GetMenuStringW(::GetSubMenu(menu, 1), 1, text, 64, MF_BYPOSITION);
    EXPECT_EQ(Narrow(text), "実行ログのフォルダーを開く(&L)") << "after the About item";

    RECT client, form;
    ::GetClientRect(frameWindow, &client);
    ::GetWindowRect(FormOf(main), &form);
    EXPECT_EQ(client.right - client.left, form.right - form.left);
    EXPECT_EQ(client.bottom - client.top, form.bottom - form.top);
}

TEST_F(Win32ToolkitTest, ControlsFollowTheLogic) {
    Window& main = CreateMain();
    EXPECT_FALSE(main.IsControlVisible(res::kRetryButton));
    main.ShowControl(res::kRetryButton);
    EXPECT_TRUE(main.IsControlVisible(res::kRetryButton));
    main.EnableControl(res::kRetryButton, false);
    EXPECT_FALSE(main.IsControlEnabled(res::kRetryButton));
    EXPECT_TRUE(main.IsControlVisible(res::kRetryButton));  // greyed, still shown

    main.SetControlText(res::kSubVersionText, "Ver.1.00→1.06");
    EXPECT_EQ(main.ControlText(res::kSubVersionText), "Ver.1.00→1.06");
    EXPECT_FALSE(main.HasControl(4242));

    // 32-bit ranges: the main unit's payload is larger than 16 bits.
    main.SetProgressRange(res::kMainProgress, 0, 655360);
    main.SetProgressPosition(res::kMainProgress, 400000);
    EXPECT_EQ(main.ProgressPosition(res::kMainProgress), 400000u);
    main.SetProgressRange(res::kSubProgress, 0, 3);
    main.SetProgressStep(res::kSubProgress, 1);
    main.StepProgress(res::kSubProgress);
    main.StepProgress(res::kSubProgress);
    EXPECT_EQ(main.ProgressPosition(res::kSubProgress), 2u);
}

TEST_F(Win32ToolkitTest, FirstPaintComesThroughTheQueueAndInvalidationRepaints) {
    Window& main = CreateMain();
    ui.ShowMainWindow();
    EXPECT_EQ(view.paints, 0);  // not inside the show
    EXPECT_TRUE(PumpUntil([&] { return view.paints >= 1; }));
    const int before = view.paints;
    main.InvalidateControl(res::kMainProgress);
    main.UpdateNow();
    EXPECT_EQ(view.paints, before + 1);
}

TEST_F(Win32ToolkitTest, TaskPostedFromAnotherThreadRunsOnTheWindowsThread) {
    Window& main = CreateMain();
    const DWORD uiThread = ::GetCurrentThreadId();
    DWORD ranOn = 0;
    std::thread([&] { main.Post([&] { ranOn = ::GetCurrentThreadId(); }); }).join();
    EXPECT_EQ(ranOn, 0u);
    ui.PumpMessages();
    EXPECT_EQ(ranOn, uiThread);
}

TEST_F(Win32ToolkitTest, ModalDialogIsCentredRunsTimersAndEndsWithItsCode) {
    CreateMain();
    ::SetWindowPos(ui.FrameWindow(), nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RecordingHandler dialog;
    int ticks = 0;
    POINT centre{}, ownerCentre{};
    dialog.onCreate = [&](Window& window) {
        RECT own, owner;
        ::GetWindowRect(static_cast<Win32Window&>(window).Dialog(), &own);
        ::GetWindowRect(ui.FrameWindow(), &owner);
        centre = {(own.left + own.right) / 2, (own.top + own.bottom) / 2};
        ownerCentre = {(owner.left + owner.right) / 2, (owner.top + owner.bottom) / 2};
        window.SetControlText(res::kSearchLine2, "探しています");
        window.StartTimer(1, 20ms);
    };
    dialog.onTimer = [&](int id) {
        EXPECT_EQ(id, 1);
        if (++ticks == 3) {
            dialog.window->KillTimer(1);
            // Closes through the handler once the tick has returned, as a posted Esc does.
            dialog.window->Post([&] { dialog.window->EndModal(7); });
        }
    };
    EXPECT_EQ(ui.RunModal(res::SearchLayout(), dialog), 7);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(dialog.destroys, 1);
    EXPECT_LE(std::abs(centre.x - ownerCentre.x), 2);
    EXPECT_LE(std::abs(centre.y - ownerCentre.y), 2);
}

// A text too long for one line shows in lines that each fit the control's width, Japanese (no
// blanks) and Latin alike, with nothing lost; the dialog grows by them, and nothing else moves.
TEST_F(Win32ToolkitTest, WrappedTextFitsItsWidthAndGrowsTheDialogBelowTheRest) {
    CreateMain();
    RecordingHandler dialog;
    const std::string text =
        "この製品のユニットではないか、より新しいアップデーターが必要なユニットです。この製品の"
        "ユニットではないか、より新しいアップデーターが必要なユニットです。\n"
        "Windows Security, Firewall and network protection, Allow an app through firewall, "
        "Change settings, Allow another app, Browse, Add, Private and Public";
    dialog.onCreate = [&](Window& window) {
        HWND own = static_cast<Win32Window&>(window).Dialog();
        HWND cause = ::GetDlgItem(own, res::kSearchCause);
        RECT before, buttonBefore, after, buttonAfter, area, client;
        ::GetWindowRect(own, &before);
        ::GetWindowRect(::GetDlgItem(own, res::kSearchCancelButton), &buttonBefore);
        window.ShowWrappedText(res::kSearchCause, text);
        ::GetWindowRect(own, &after);
        ::GetWindowRect(::GetDlgItem(own, res::kSearchCancelButton), &buttonAfter);
        ::GetWindowRect(cause, &area);
        ::GetClientRect(own, &client);
        ::MapWindowPoints(own, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_TRUE(window.IsControlVisible(res::kSearchCause));
        EXPECT_TRUE(::EqualRect(&buttonBefore, &buttonAfter));
        EXPECT_EQ(after.top, before.top);
        EXPECT_GT(area.top, buttonAfter.bottom);
        EXPECT_LT(area.bottom, client.bottom);

        const HDC dc = ::GetDC(cause);
        const HGDIOBJ font =
            ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(cause, WM_GETFONT, 0, 0)));
        const std::wstring shown = Widen(window.ControlText(res::kSearchCause));
        std::wstring joined;
        int lines = 0;
        for (std::size_t start = 0; start <= shown.size(); ++lines) {
            const std::size_t end = std::min(shown.find(L"\r\n", start), shown.size());
            const std::wstring line = shown.substr(start, end - start);
            SIZE extent{};
            ::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &extent);
            EXPECT_LE(extent.cx, area.right - area.left) << Narrow(line);
            joined += line;
            start = end + 2;
        }
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc, &metrics);
        EXPECT_GE(lines, 4) << Narrow(shown) << " in " << area.right - area.left << " px";
        EXPECT_GE(area.bottom - area.top, lines * metrics.tmHeight);
        EXPECT_GE(after.bottom - before.bottom, area.bottom - area.top);
        std::wstring expected = Widen(text);
        std::erase_if(expected, [](wchar_t c) { return c == L' ' || c == L'\n'; });
        std::erase_if(joined, [](wchar_t c) { return c == L' '; });
        EXPECT_EQ(joined, expected) << "nothing is lost at the breaks";

        // Where the line is full just before a closing mark, the mark does not start the next.
        int fit = 0;
        SIZE extent{};
        const std::wstring filler(200, L'あ');
        ::GetTextExtentExPointW(dc, filler.c_str(), 200, area.right - area.left, &fit, nullptr,
                                &extent);
        window.ShowWrappedText(res::kSearchCause,
                               Narrow(filler.substr(0, fit) + L"。" + filler.substr(0, 3)));
        const std::wstring marked = Widen(window.ControlText(res::kSearchCause));
        EXPECT_EQ(marked.substr(marked.find(L"\r\n") + 2), L"あ。あああ");
        ::SelectObject(dc, font);
        ::ReleaseDC(cause, dc);
        window.Post([&window] { window.EndModal(kCancelCode); });
    };
    ui.RunModal(res::SearchLayout(), dialog);
}

TEST_F(Win32ToolkitTest, CloseCanBeVetoedAndEndsTheLoopWhenAllowed) {
    Window& main = CreateMain();
    ui.ShowMainWindow();
    frame.allowClose = false;
    main.PostCloseRequest();
    ui.PumpMessages();
    EXPECT_EQ(ui.MainWindow(), &main);

    frame.allowClose = true;
    main.PostCloseRequest();
    EXPECT_EQ(ui.RunMessageLoop(), 0);
    EXPECT_EQ(ui.MainWindow(), nullptr);
    EXPECT_EQ(view.destroys, 1);
}

TEST_F(Win32ToolkitTest, MenuCommandsAndAcceleratorsReachTheFrame) {
    CreateMain();
    ::PostMessageW(ui.FrameWindow(), WM_COMMAND, res::kCmdAppAbout, 0);
    ui.PumpMessages();
    EXPECT_EQ(frame.commands, std::vector<int>{res::kCmdAppAbout});

    const std::vector<Accelerator> keys{{kAlt, AcceleratorKey::Backspace, res::kCmdEditUndo},
                                        {kShift, AcceleratorKey::F6, res::kCmdPrevPane}};
    HACCEL table = BuildAccelerators(keys);
    ACCEL read[2];
    ASSERT_EQ(::CopyAcceleratorTableW(table, read, 2), 2);
    EXPECT_EQ(read[0].fVirt & ~0x80, FVIRTKEY | FALT);
    EXPECT_EQ(read[0].key, VK_BACK);
    EXPECT_EQ(read[1].fVirt & ~0x80, FVIRTKEY | FSHIFT);
    EXPECT_EQ(read[1].key, VK_F6);
    EXPECT_EQ(read[1].cmd, res::kCmdPrevPane);
    ::DestroyAcceleratorTable(table);
}

}  // namespace
}  // namespace rlq::platform::win32
