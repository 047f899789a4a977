#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/headless/headless_toolkit.h"

namespace rlq::platform {
namespace {

using namespace std::chrono_literals;

const ControlLayout kControls[] = {
    {10, ControlKind::PushButton, "Go", 0, 0, 10, 10, kVisible | kTabStop},
    {11, ControlKind::PushButton, "Hidden", 0, 0, 10, 10, kTabStop},
    {20, ControlKind::ProgressBar, "", 0, 0, 10, 10, kVisible},
};
const DialogLayout kDialog{500, DialogKind::ModalPopup, "Title", 100, 50, "Font", 8, kControls};

// A dialog that counts timer ticks and ends itself after `limit`.
class TickingDialog final : public WindowHandler {
  public:
    int ticks = 0;
    int limit = 4;
    Window* window = nullptr;
    void OnCreate(Window& w) override {
        window = &w;
        w.SetProgressRange(20, 0, 4);
        w.SetProgressStep(20, 1);
        w.StartTimer(1, 250ms);
    }
    void OnTimer(int) override {
        window->StepProgress(20);
        if (++ticks == limit) {
            window->KillTimer(1);
            window->EndModal(ticks);
        }
    }
    void OnCancel() override { window->EndModal(-1); }
};

TEST(HeadlessToolkit, VirtualTimeRunsTimersWithoutWaiting) {
    HeadlessToolkit ui(TimeMode::Virtual);
    TickingDialog dialog;
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(ui.RunModal(kDialog, dialog), 4);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 200ms);
    EXPECT_EQ(ui.Elapsed(), 1000ms);
    EXPECT_THAT(ui.EventLines(),
                ::testing::ElementsAre("dialog 500 opened \"Title\"", "dialog 500 20 range 0..4",
                                       "dialog 500 20 position 1", "dialog 500 20 position 2",
                                       "dialog 500 20 position 3", "dialog 500 20 position 4",
                                       "dialog 500 closed"));
}

TEST(HeadlessToolkit, DriverActionsRunAtTheirTimeInsideTheModalLoop) {
    HeadlessToolkit ui(TimeMode::Virtual);
    TickingDialog dialog;
    dialog.limit = 100;
    ui.After(600ms, [&] { ui.PressEscape(*ui.ActiveWindow()); });
    EXPECT_EQ(ui.RunModal(kDialog, dialog), -1);
    EXPECT_EQ(dialog.ticks, 2);
}

TEST(HeadlessToolkit, HiddenOrGreyedButtonsTakeNoClick) {
    HeadlessToolkit ui(TimeMode::Virtual);
    struct Clicks final : WindowHandler {
        std::vector<int> ids;
        Window* window = nullptr;
        void OnCreate(Window& w) override { window = &w; }
        void OnCommand(int id) override {
            ids.push_back(id);
            window->EndModal(0);
        }
    } clicks;
    ui.After(1ms, [&] {
        ui.Click(*ui.ActiveWindow(), 11);
        clicks.window->EnableControl(10, false);
        ui.Click(*ui.ActiveWindow(), 10);
        clicks.window->EnableControl(10, true);
        ui.Click(*ui.ActiveWindow(), 10);
    });
    ui.RunModal(kDialog, clicks);
    EXPECT_THAT(clicks.ids, ::testing::ElementsAre(10));
}

TEST(HeadlessToolkit, RealTimeLoopWakesAtOnceForAPostFromAnotherThread) {
    HeadlessToolkit ui(TimeMode::Real);
    struct Waiting final : WindowHandler {
        Window* window = nullptr;
        std::thread worker;
        void OnCreate(Window& w) override {
            window = &w;
            w.StartTimer(1, 10s);  // a long tick must not delay the post
            worker = std::thread([this] {
                std::this_thread::sleep_for(20ms);
                window->Post([this] { window->EndModal(7); });
            });
        }
    } waiting;
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(ui.RunModal(kDialog, waiting), 7);
    waiting.worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

TEST(HeadlessToolkit, TasksPostedToAClosedDialogAreDropped) {
    HeadlessToolkit ui(TimeMode::Virtual);
    struct LastWords final : WindowHandler {
        bool ran = false;
        Window* window = nullptr;
        void OnCreate(Window& w) override {
            window = &w;
            w.StartTimer(1, 10ms);
        }
        void OnTimer(int) override {
            window->Post([this] { ran = true; });  // would touch a dead dialog if it ran
            window->EndModal(0);
        }
    } dialog;
    ui.RunModal(kDialog, dialog);
    ui.PumpMessages();
    EXPECT_FALSE(dialog.ran);
}

TEST(HeadlessToolkit, MainWindowCloseHonoursTheFrameVeto) {
    HeadlessToolkit ui(TimeMode::Virtual);
    struct Frame final : WindowHandler {
        bool allow = false;
        bool OnCloseRequest() override { return allow; }
    } frame;
    WindowHandler view;
    const MainWindowLayout layout{"Main title", kDialog};
    Window& main = ui.CreateMainWindow(layout, frame, view);
    main.PostCloseRequest();
    ui.PumpMessages();
    EXPECT_NE(ui.MainWindow(), nullptr);
    frame.allow = true;
    main.PostCloseRequest();
    EXPECT_EQ(ui.RunMessageLoop(), 0);
    EXPECT_EQ(ui.MainWindow(), nullptr);
}

TEST(HeadlessToolkit, LogsOnlyRealChangesAndClampsProgress) {
    HeadlessToolkit ui(TimeMode::Virtual);
    WindowHandler frame, view;
    const MainWindowLayout layout{"T", kDialog};
    Window& main = ui.CreateMainWindow(layout, frame, view);
    main.SetControlText(10, "Go");
    main.SetControlText(10, "Stop");
    main.ShowControl(10);
    main.SetProgressRange(20, 0, 50);
    main.SetProgressPosition(20, 80);
    EXPECT_EQ(main.ProgressPosition(20), 50u);
    EXPECT_THAT(ui.EventLines(),
                ::testing::ElementsAre("main 10 text \"Stop\"", "main 20 range 0..50",
                                       "main 20 position 50"));
    EXPECT_THROW(main.SetControlText(99, "x"), std::logic_error);
}

}  // namespace
}  // namespace rlq::platform
