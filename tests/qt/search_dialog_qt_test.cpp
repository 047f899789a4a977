#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDialog>
#include <QMainWindow>
#include <QProgressBar>
#include <QTest>
#include <thread>

#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_window.h"
#include "resources/dialog_layouts.h"
#include "resources/resource_ids.h"
#include "tests/doubles/host_network.h"
#include "tests/doubles/udp_socket.h"
#include "tests/qt/qt_test_support.h"
#include "workflow/search_dialog.h"

namespace rlq::testing {
namespace {

using namespace std::chrono_literals;
using platform::qt::QtToolkit;
using ::testing::AllOf;
using ::testing::Ge;
using ::testing::Le;

struct NoHandler final : platform::WindowHandler {};

// Draws as the program's view does, setting the form's texts on every paint: one the same each
// time, one new each time. Neither may lead to another paint.
struct DrawingView final : platform::WindowHandler {
    platform::Window* window = nullptr;
    int draws = 0;
    void OnCreate(platform::Window& created) override { window = &created; }
    void OnPaint() override {
        ++draws;
        window->SetControlText(res::kFirmwareInfoEdit, "RLQ-610A Ver.1.34/1.06");
        window->SetControlText(res::kIpAddressEdit, "192.168.0." + std::to_string(draws));
    }
};

// Counts the paints of one widget.
class PaintCounter final : public QObject {
  public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// A window that waits paints a few times when it is uncovered, and its view draws once; a paint
// that asks for the next one comes hundreds of times a second.
constexpr int kIdlePaints = 4;

enum class Leave { Escape, CloseBox, Enter, BackButton };

class QtSearchDialogTest : public ::testing::TestWithParam<Leave> {
  protected:
    EventLog log;
    FakeHostNetwork host{log};
    FakeUdpSockets sockets{log, nullptr};
    QtToolkit ui;
    NoHandler frame;
    DrawingView view;

    void SetUp() override {
        host.snapshot = EthernetAdapters(1);
        ui.CreateMainWindow({"RLQ-610A firmware updater", res::FormLayout()}, frame, view);
        ui.ShowMainWindow();
        ui.MainFrameWidget()->move(200, 150);
        PumpFor(50ms);
    }
};

TEST_P(QtSearchDialogTest, LeavesThroughTheStopPathCentredOnTheMainWindow) {
    CDlgProg dialog(SEARCH_SUB, host, sockets);
    QRect dialogFrame, mainFrame;
    QString titleWhenLeft;
    int viewDraws = -1, dialogPaints = -1;
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
            QObject::connect(poll, &QTimer::timeout, &modal, [&, poll, target = &modal, leave] {
                if (ButtonWithText(*target, QStringLiteral("戻る"))) {
                    poll->stop();
                    // From a paint of both forms on, as when they are uncovered.
                    QWidget* form =
                        target->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)
                            .front();
                    PaintCounter dialog(*form);
                    const int drawsBefore = view.draws;
                    form->update();
                    ui.MainWindowState()->Form().update();
                    PumpFor(1s);
                    viewDraws = view.draws - drawsBefore;
                    dialogPaints = dialog.paints;
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
        // Waiting for the user in the not-found state: neither window keeps painting.
        EXPECT_THAT(viewDraws, AllOf(Ge(1), Le(kIdlePaints)));
        EXPECT_LE(dialogPaints, kIdlePaints);
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
    host.snapshot = EthernetAdapters(1);
    FakeUdpSockets sockets{log, nullptr};
    QtToolkit ui;
    CDlgProg dialog(SEARCH_SUB, host, sockets);
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
