// The application on the Qt backend with doubles for the search, the temporary address and the
// transfers: the buttons, the close rule and the about box as a user meets them.

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>

#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_window.h"
#include "resources/resource_ids.h"
#include "tests/app/sequence_fixture.h"
#include "tests/qt/qt_test_support.h"

namespace rlq::testing {
namespace {

using namespace std::chrono_literals;
using platform::qt::QtToolkit;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Ge;
using ::testing::Le;

struct ButtonState {
    bool visible;
    bool enabled;
    friend bool operator==(const ButtonState&, const ButtonState&) = default;
};

class QtSequenceTest : public SequenceFixture<QtToolkit> {
  protected:
    std::vector<std::string> messages;

    void SetUp() override {
        SequenceFixture::SetUp();
        ui.SetMessageBoxAnswer([this](QMessageBox& box) {
            messages.push_back(box.windowTitle().toStdString());
            box.accept();
        });
    }
    void TearDown() override { app.reset(); }

    // Starts the program; the sequence runs from the first paint, which the loop delivers.
    void Start() {
        ASSERT_TRUE(InitProgram());
        ASSERT_TRUE(PumpUntil([&] { return !journal.empty(); })) << "the first paint runs it";
        ASSERT_TRUE(PumpUntil([&] { return !app->View()->IsSequenceRunning(); }));
        PumpFor(50ms);
    }

    QMainWindow& Frame() { return *static_cast<QMainWindow*>(ui.MainFrameWidget()); }
    QPushButton& Button(int id) {
        return *qobject_cast<QPushButton*>(ui.MainWindowState()->Control(id));
    }
    ButtonState State(int id) {
        QWidget* button = ui.MainWindowState()->Control(id);
        return {button->isVisible(), button->isEnabled()};
    }
    // The view's draws over a second in which the program waits for the user, from a paint of
    // the whole form on, as when the window is uncovered.
    int DrawsWhileWaiting() {
        const int before = document->infoTextReads;
        ui.MainWindowState()->Form().update();
        PumpFor(1s);
        return document->infoTextReads - before;
    }
};

// An uncovered form that waits is drawn once, or twice when a paint of its own was still due; a
// paint that asks for the next one draws hundreds of times a second.
constexpr int kIdleDraws = 2;

TEST_F(QtSequenceTest, SpecialModeButtonGreysBothButtonsRunsAgainAndTheProgramClosesItself) {
    search.finds[Unit::Main] = {MainUnit(0x0130), MainUnit(0x0130)};
    int drawsInMessage = -1;
    ui.SetMessageBoxAnswer([&](QMessageBox& box) {
        messages.push_back(box.windowTitle().toStdString());
        drawsInMessage = DrawsWhileWaiting();
        box.accept();
    });
    Start();
    EXPECT_THAT(journal, ElementsAre("search main", "search sub"));
    EXPECT_EQ(State(res::kRetryButton), (ButtonState{true, true}));
    EXPECT_EQ(State(res::kSpecialModeButton), (ButtonState{true, true}));
    EXPECT_TRUE(MainOpen());
    EXPECT_THAT(DrawsWhileWaiting(), AllOf(Ge(1), Le(kIdleDraws))) << "with both buttons offered";

    std::vector<ButtonState> duringRun;
    duringTransfer = [&](int) {
        duringRun = {State(res::kRetryButton), State(res::kSpecialModeButton)};
    };
    journal.clear();
    QTest::mouseClick(&Button(res::kSpecialModeButton), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return !MainOpen(); })) << "closes itself after the completion";

    EXPECT_THAT(journal, Contains("update 1 10.255.255.237 v0 special 1 held"));
    EXPECT_THAT(messages, ElementsAre("アップデート完了"));
    EXPECT_THAT(drawsInMessage, AllOf(Ge(1), Le(kIdleDraws))) << "with the completion message open";
    EXPECT_FALSE(Frame().isVisible());
    // While the run went on, both buttons stayed on the screen, greyed.
    EXPECT_THAT(duringRun, ElementsAre(ButtonState{true, false}, ButtonState{true, false}));
}

TEST_F(QtSequenceTest, RetryRunsBothSearchesAgainWithTheButtonsVisibleButGreyed) {
    search.finds[Unit::Main] = {MainUnit(0x0130), MainUnit(0x0130)};
    search.finds[Unit::Sub] = {UnitSlot{kPcAddress, Ipv4{0xC0A84D15}, kInterface, 0, 0x0100},
                               UnitSlot{kPcAddress, Ipv4{0xC0A84D15}, kInterface, 0, 0x0100}};
    transferResults[kSubSlot] = {1};
    std::vector<ButtonState> seen;
    duringTransfer = [&](int slot) {
        if (slot == kSubSlot) {
            seen.push_back(State(res::kRetryButton));
            seen.push_back(State(res::kSpecialModeButton));
        }
    };
    Start();
    EXPECT_EQ(State(res::kRetryButton), (ButtonState{true, true}));
    EXPECT_EQ(State(res::kSpecialModeButton).visible, false) << "result 1 offers retry only";

    journal.clear();
    QTest::mouseClick(&Button(res::kRetryButton), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return !MainOpen(); }));
    EXPECT_THAT(journal,
                ElementsAre("search main", "search sub", "update 1 192.168.77.21 v256 special 0",
                            "update 0 192.168.77.20 v304 special 0"));
    // First run: no button shown yet. Second run: retry shown before, now greyed.
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], (ButtonState{false, true}));
    EXPECT_EQ(seen[2], (ButtonState{true, false}));
    EXPECT_EQ(seen[3], (ButtonState{false, false}));
}

TEST_F(QtSequenceTest, CloseDuringATransferIsRefusedAndWorksAfterwards) {
    search.finds[Unit::Main] = {MainUnit(0x0130)};
    search.finds[Unit::Sub] = {UnitSlot{kPcAddress, Ipv4{0xC0A84D15}, kInterface, 0, 0x0100}};
    transferResults[kMainSlot] = {1};
    std::vector<bool> closedDuring;
    duringTransfer = [&](int) {
        closedDuring.push_back(Frame().close());
        ui.PumpMessages();
    };
    Start();
    EXPECT_THAT(closedDuring, ElementsAre(false, false));
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(MainOpen());
    EXPECT_TRUE(Frame().close());
    EXPECT_FALSE(MainOpen());
    EXPECT_EQ(ui.RunMessageLoop(), 0) << "the loop of a closed program ends at once";
}

TEST_F(QtSequenceTest, AboutBoxOpensFromTheHelpMenuWithModelAndBothVersions) {
    Start();  // the main unit is not found: the window stays with the retry offered
    QAction* about = nullptr;
    for (QAction* menu : Frame().menuBar()->actions()) {
        if (menu->text() == QStringLiteral("ヘルプ(&H)")) {
            for (QAction* item : menu->menu()->actions()) {
                if (item->text() == QStringLiteral("バージョン情報(&A)...")) {
                    about = item;
                }
            }
        }
    }
    ASSERT_NE(about, nullptr);
    QString title;
    QStringList labels;
    bool hadIcon = false;
    WhenModal([&](QWidget& box) {
        title = box.windowTitle();
        labels = LabelTexts(box);
        for (QLabel* label : box.findChildren<QLabel*>()) {
            hadIcon = hadIcon || !label->pixmap().isNull();
        }
        QTest::mouseClick(ButtonWithText(box, QStringLiteral("OK")), Qt::LeftButton);
    });
    about->trigger();
    EXPECT_TRUE(title.startsWith(QStringLiteral("バージョン情報")));
    EXPECT_TRUE(labels.contains(QStringLiteral("RLQ-610A firmware updater Version 1.34/1.06")));
    EXPECT_TRUE(hadIcon);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "OK closed it";
    EXPECT_TRUE(MainOpen());
}

TEST_F(QtSequenceTest, ExitCommandOfTheFileMenuClosesThroughTheCloseRule) {
    Start();
    for (QAction* menu : Frame().menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            if (item->text() == QStringLiteral("アプリケーションの終了(&X)")) {
                item->trigger();
            }
        }
    }
    ASSERT_TRUE(PumpUntil([&] { return !MainOpen(); }));
    // Accelerator commands that do nothing are accepted and ignored.
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace rlq::testing
