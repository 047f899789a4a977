#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDialog>
#include <QMainWindow>
#include <QProgressBar>
#include <QTest>
#include <thread>

#include "app/resources/dialog_layouts.h"
#include "app/resources/resource_ids.h"
#include "platform/qt/qt_toolkit.h"
#include "tests/net/discovery_fakes.h"
#include "tests/qt/qt_test_support.h"
#include "workflow/search_dialog.h"

namespace rlq::testing {
namespace {

using namespace std::chrono_literals;
using platform::qt::QtToolkit;

platform::AdapterSnapshot OneAdapter() {
    platform::AdapterSnapshot snapshot;
    snapshot.interfaceCount = 1;
    platform::AdapterRecord adapter;
    adapter.physicalAddress = {2, 0, 0, 0, 0, 1};
    adapter.interfaceIndex = 10;
    adapter.addresses = {{"192.168.0.10", "255.255.255.0"}};
    snapshot.adapters.push_back(adapter);
    snapshot.interfaces.push_back(
        {adapter.physicalAddress, platform::kIfTypeEthernet, platform::kOperOperational});
    return snapshot;
}

struct NoHandler final : platform::WindowHandler {};

enum class Leave { Escape, CloseBox, Enter, BackButton };

class QtSearchDialogTest : public ::testing::TestWithParam<Leave> {
  protected:
    EventLog log;
    FakeHostNetwork host{log};
    FakeUdpSockets sockets{log, nullptr};
    QtToolkit ui;
    NoHandler frame, view;

    void SetUp() override {
        host.snapshot = OneAdapter();
        ui.CreateMainWindow({"RLQ-610A firmware updater", res::FormLayout()}, frame, view);
        ui.ShowMainWindow();
        ui.MainFrameWidget()->move(200, 150);
        PumpFor(50ms);
    }
};

TEST_P(QtSearchDialogTest, LeavesThroughTheStopPathCentredOnTheMainWindow) {
    CDlgProg dialog(0x40, host, sockets);
    QRect dialogFrame, mainFrame;
    QString titleWhenLeft;
    const bool waitForNotFound = GetParam() == Leave::BackButton;
    WhenModal([&](QWidget& modal) {
        dialogFrame = modal.geometry();
        mainFrame = ui.MainFrameWidget()->geometry();
        auto leave = [&, target = &modal] {
            titleWhenLeft = target->windowTitle();
            switch (GetParam()) {
                case Leave::Escape:
                    QTest::keyClick(target, Qt::Key_Escape);
                    break;
                case Leave::CloseBox:
                    target->close();
                    break;
                case Leave::Enter:
                    QTest::keyClick(target->focusWidget() ? target->focusWidget() : target,
                                    Qt::Key_Return);
                    break;
                case Leave::BackButton:
                    QTest::mouseClick(ButtonWithText(*target, QStringLiteral("戻る")),
                                      Qt::LeftButton);
                    break;
            }
        };
        if (!waitForNotFound) {
            QTimer::singleShot(300, &modal, leave);
        } else {
            // The budget of one adapter for the sub unit: 28 ticks of 250 ms.
            auto* poll = new QTimer(&modal);  // goes with the dialog
            QObject::connect(poll, &QTimer::timeout, &modal, [poll, target = &modal, leave] {
                if (ButtonWithText(*target, QStringLiteral("戻る"))) {
                    poll->stop();
                    leave();
                }
            });
            poll->start(100);
        }
    });
    ui.RunModal(res::SearchLayout(), dialog);
    const auto sentAtClose = sockets.Sent().size();
    EXPECT_GT(sentAtClose, 0u);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(sockets.Sent().size(), sentAtClose)
        << "the listener must be stopped before the close";
    EXPECT_EQ(dialog.GetResult(), UnitSlot{});
    // Centred, give or take the pixel that an odd difference of sizes leaves.
    EXPECT_LE((dialogFrame.center() - mainFrame.center()).manhattanLength(), 1)
        << "dialog " << dialogFrame.x() << "," << dialogFrame.y() << " main " << mainFrame.x()
        << "," << mainFrame.y();
    if (waitForNotFound) {
        EXPECT_EQ(
            titleWhenLeft,
            QStringLiteral("メインユニットに内蔵されているサブユニットが見つかりませんでした。"));
    } else {
        EXPECT_EQ(titleWhenLeft, QStringLiteral("アップデート対象を探しています。"));
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, QtSearchDialogTest,
                         ::testing::Values(Leave::Escape, Leave::CloseBox, Leave::Enter,
                                           Leave::BackButton),
                         [](const auto& info) {
                             switch (info.param) {
                                 case Leave::Escape:
                                     return "Escape";
                                 case Leave::CloseBox:
                                     return "CloseBox";
                                 case Leave::Enter:
                                     return "Enter";
                                 case Leave::BackButton:
                                     return "BackButton";
                             }
                             return "";
                         });

TEST(QtSearchDialog, ABarOfTwentyEightSegmentsAndTimersDieWithTheDialog) {
    EventLog log;
    FakeHostNetwork host{log};
    host.snapshot = OneAdapter();
    FakeUdpSockets sockets{log, nullptr};
    QtToolkit ui;
    CDlgProg dialog(0x40, host, sockets);
    int maximum = 0;
    WhenModal([&](QWidget& modal) {
        if (auto* bar = modal.findChild<QProgressBar*>()) {
            maximum = bar->maximum();
        }
        QTest::keyClick(&modal, Qt::Key_Escape);
    });
    ui.RunModal(res::SearchLayout(), dialog);
    EXPECT_EQ(maximum, 28);
    PumpFor(600ms);  // a leftover tick would reach the destroyed dialog and crash here
}

}  // namespace
}  // namespace rlq::testing
