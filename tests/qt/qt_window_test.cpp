#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QShortcut>
#include <QThread>
#include <algorithm>
#include <thread>

#include "platform/qt/dialog_metrics.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_window.h"
#include "resources/dialog_layouts.h"
#include "resources/main_window_resources.h"
#include "resources/message_catalogue.h"
#include "resources/resource_ids.h"
#include "tests/qt/qt_test_support.h"

namespace rlq::testing {
namespace {

using platform::qt::BaseUnitsOf;
using platform::qt::DialogFont;
using platform::qt::QtToolkit;
using platform::qt::QtWindow;

struct Handler final : platform::WindowHandler {
    platform::Window* window = nullptr;
    int paints = 0;
    std::vector<int> commands;
    void OnCreate(platform::Window& w) override { window = &w; }
    void OnPaint() override { ++paints; }
    void OnCommand(int id) override { commands.push_back(id); }
};

TEST(QtDialogFont, AJapaneseFamilyStandsInAndCoversTheProgramsTexts) {
    const QString family = platform::qt::DialogFontFamily();
    ASSERT_FALSE(family.isEmpty()) << "no Japanese font installed (fonts-ipafont-gothic)";
    const QFont font = DialogFont("MS UI Gothic", 9);
    EXPECT_EQ(QFontInfo(font).family(), family);
    EXPECT_EQ(font.pixelSize(), 12);                           // 9 pt at 96 dpi
    EXPECT_EQ(DialogFont("MS Shell Dlg", 8).pixelSize(), 11);  // 10.67 rounded
    // Every character of the texts that the windows show has a glyph in the chosen family,
    // so none falls back to another font or to a box.
    const QFontMetrics metrics(font);
    for (const int id : {msg::kSearchingSub, msg::kUpdateCompleteText, msg::kResetAndTftpFailed,
                         msg::kAddressRightsRefused}) {
        for (const QChar c : Q(std::string(LoadMessage(id)))) {
            if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
                EXPECT_TRUE(metrics.inFont(c))
                    << "message " << id << " U+" << std::hex << int(c.unicode());
            }
        }
    }
    EXPECT_TRUE(metrics.inFont(QChar(0x2192)));  // the version texts' arrow
}

TEST(QtDialogUnits, BaseUnitsAreTheLetterAverageAndTheCharacterHeight) {
    const QFont font = DialogFont("MS UI Gothic", 9);
    const QFontMetrics metrics(font);
    const auto units = BaseUnitsOf(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(units.charWidth, (letters + 26) / 52);
    EXPECT_EQ(units.charHeight, metrics.ascent() + metrics.descent());
    // Rounded to nearest as MulDiv does: 7 units of a 6-pixel average are 10.5 → 11 pixels.
    const QRect rect = platform::qt::DialogRectToPixels({6, 12}, 7, 5, 15, 3);
    EXPECT_EQ(rect, QRect(11, 8, 23, 5));
}

TEST(QtWindowLayout, EveryControlOfTheFormSitsWhereItsDialogUnitsSay) {
    QtToolkit ui;
    Handler frame, view;
    const platform::MainWindowLayout layout{"RLQ-610A firmware updater", res::FormLayout(),
                                            res::MainMenu(), res::MainAccelerators(), 128};
    ui.CreateMainWindow(layout, frame, view);
    auto& window = *ui.MainWindowState();
    const auto units = BaseUnitsOf(DialogFont("MS UI Gothic", 9));
    EXPECT_EQ(window.BaseUnits().charWidth, units.charWidth);
    auto px = [&](int value, int base, int divisor) {
        return (value * base + divisor / 2) / divisor;
    };
    for (const platform::ControlLayout& control : res::FormLayout().controls) {
        if (control.id == platform::kUnnamedControl) {
            continue;
        }
        const QWidget* widget = window.Control(control.id);
        ASSERT_NE(widget, nullptr) << control.id;
        const QRect expected(px(control.x, units.charWidth, 4), px(control.y, units.charHeight, 8),
                             px(control.width, units.charWidth, 4),
                             px(control.height, units.charHeight, 8));
        if (control.kind == platform::ControlKind::StaticText) {
            // A one-line text may run wider than its table width, never narrower.
            EXPECT_EQ(widget->pos(), expected.topLeft()) << "control " << control.id;
            EXPECT_EQ(widget->height(), expected.height()) << "control " << control.id;
            EXPECT_GE(widget->width(), expected.width()) << "control " << control.id;
        } else {
            EXPECT_EQ(widget->geometry(), expected) << "control " << control.id;
        }
    }
    // "Main" keeps its last letter, and does not reach the bar beside it.
    const QWidget* mainLabel = window.Control(res::kMainLabel);
    EXPECT_GE(mainLabel->width(),
              mainLabel->fontMetrics().horizontalAdvance(QStringLiteral("Main")));
    EXPECT_LE(mainLabel->geometry().right(), window.Control(res::kMainProgress)->x());
    EXPECT_EQ(window.Form().size(),
              QSize(px(207, units.charWidth, 4), px(90, units.charHeight, 8)));
    // The kinds and styles of the table.
    EXPECT_NE(qobject_cast<QGroupBox*>(window.Control(res::kFirmwareGroup)), nullptr);
    // Drawn as the native group box: a frame line on the window's face, its top line through the
    // middle of the title, nothing filled inside.
    ui.ShowMainWindow();
    ASSERT_TRUE(PumpUntil([&] { return view.paints > 0; }));
    const QWidget& group = *window.Control(res::kFirmwareGroup);
    QWidget& frameWidget = *ui.MainFrameWidget();
    const QImage groupImage =
        frameWidget.grab(QRect(group.mapTo(&frameWidget, QPoint()), group.size())).toImage();
    const QRgb face = frameWidget.palette().color(QPalette::Window).rgb();
    const QPoint inside(group.width() / 2, group.height() / 2);
    EXPECT_NE(groupImage.pixel(inside.x(), group.fontMetrics().height() / 2), face) << "top";
    EXPECT_NE(groupImage.pixel(0, inside.y()), face) << "left";
    EXPECT_EQ(groupImage.pixel(inside), face) << "inside";
    auto* edit = qobject_cast<QLineEdit*>(window.Control(res::kIpAddressEdit));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_FALSE(edit->hasFrame());
    EXPECT_NE(qobject_cast<QProgressBar*>(window.Control(res::kMainProgress)), nullptr);
    EXPECT_TRUE(window.Control(res::kRetryButton)->isHidden());
    EXPECT_TRUE(window.Control(res::kSpecialModeButton)->isHidden());
}

// A text too long for one line wraps within its control's width; the dialog grows by its lines,
// keeping its bottom margin, and nothing else moves.
TEST(QtWindowLayout, AWrappedTextGrowsTheDialogBelowTheRest) {
    QtToolkit ui;
    struct Grower final : platform::WindowHandler {
        QRect buttonBefore, buttonAfter, label;
        int formBefore = 0, formAfter = 0, lineHeight = 0, labelWidth = 0;
        void OnCreate(platform::Window& window) override {
            auto& qtWindow = static_cast<QtWindow&>(window);
            QWidget* button = qtWindow.Control(res::kSearchCancelButton);
            buttonBefore = button->geometry();
            formBefore = qtWindow.Form().height();
            labelWidth = qtWindow.Control(res::kSearchCause)->width();
            window.ShowWrappedText(res::kSearchCause,
                                   std::string(LoadMessage(msg::kBaseOrMainNotFoundCheckLan)) +
                                       std::string(LoadMessage(msg::kBaseOrMainNotFoundCheckLan)) +
                                       "\n" +
                                       std::string(LoadMessage(msg::kConnectBaseOrMainThenRetry)));
            buttonAfter = button->geometry();
            label = qtWindow.Control(res::kSearchCause)->geometry();
            lineHeight = button->fontMetrics().height();
            formAfter = qtWindow.Form().height();
            EXPECT_EQ(qtWindow.TopLevel().height(), formAfter);
            EXPECT_TRUE(window.IsControlVisible(res::kSearchCause));
            window.Post([&window] { window.EndModal(platform::kCancelCode); });
        }
    } grower;
    ui.RunModal(res::SearchLayout(), grower);
    EXPECT_EQ(grower.buttonAfter, grower.buttonBefore);
    EXPECT_EQ(grower.label.width(), grower.labelWidth);
    EXPECT_GE(grower.label.height(), 3 * grower.lineHeight);
    EXPECT_GT(grower.label.top(), grower.buttonAfter.bottom());
    EXPECT_EQ(grower.formAfter - grower.label.bottom() - 1,
              grower.formBefore - grower.buttonBefore.bottom() - 1)
        << "the bottom margin is kept";
}

TEST(QtMainWindow, HasFixedSizeMinimiseOnlyTheTitleAndTheMenu) {
    QtToolkit ui;
    Handler frame, view;
    const platform::MainWindowLayout layout{"RLQ-610A firmware updater", res::FormLayout(),
                                            res::MainMenu(), res::MainAccelerators(), 128};
    ui.CreateMainWindow(layout, frame, view);
    ui.ShowMainWindow();
    auto* main = static_cast<QMainWindow*>(ui.MainFrameWidget());
    ASSERT_TRUE(PumpUntil([&] { return view.paints > 0; })) << "the first paint reaches OnPaint";
    const QSize size = main->size();
    EXPECT_EQ(main->minimumSize(), main->maximumSize());
    main->resize(size + QSize(100, 80));
    PumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(main->size(), size);
    const Qt::WindowFlags flags = main->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(main->windowTitle(), QStringLiteral("RLQ-610A firmware updater"));
    EXPECT_FALSE(main->windowIcon().isNull());
    QStringList menus;
    for (QAction* action : main->menuBar()->actions()) {
        menus << action->text();
    }
    EXPECT_EQ(menus, QStringList({QStringLiteral("ファイル(&F)"), QStringLiteral("ヘルプ(&H)")}));
    // The form fills the frame below the menu.
    EXPECT_EQ(main->centralWidget(), &ui.MainWindowState()->Form());
}

TEST(QtMainWindow, MenuItemsAndAcceleratorsReachTheFramesCommands) {
    QtToolkit ui;
    Handler frame, view;
    const platform::MainWindowLayout layout{"T", res::FormLayout(), res::MainMenu(),
                                            res::MainAccelerators(), 128};
    ui.CreateMainWindow(layout, frame, view);
    QWidget* main = ui.MainFrameWidget();
    std::vector<int> expected;
    QStringList sequences;
    for (QShortcut* shortcut : main->findChildren<QShortcut*>()) {
        sequences << shortcut->key().toString();
        emit shortcut->activated();
    }
    for (const platform::Accelerator& accelerator : res::MainAccelerators()) {
        expected.push_back(accelerator.command);
    }
    EXPECT_EQ(frame.commands, expected);
    EXPECT_EQ(sequences, QStringList({"Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+Z", "Alt+Backspace",
                                      "Ctrl+X", "Shift+Del", "Ctrl+C", "Ctrl+Ins", "Ctrl+V",
                                      "Shift+Ins", "F6", "Shift+F6"}));
    frame.commands.clear();
    for (QAction* menu : static_cast<QMainWindow*>(main)->menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            item->trigger();
        }
    }
    EXPECT_EQ(frame.commands,
              (std::vector<int>{res::kCmdAppExit, res::kCmdAppAbout, res::kCmdShowRecords}));
    EXPECT_TRUE(view.commands.empty()) << "menu commands go to the frame, not the view";
}

TEST(QtMainWindow, PaintsReachTheViewOutsideThePaintEventAndUpdateNowPaintsAtOnce) {
    QtToolkit ui;
    Handler frame, view;
    const platform::MainWindowLayout layout{"T", res::FormLayout()};
    ui.CreateMainWindow(layout, frame, view);
    ui.ShowMainWindow();
    ASSERT_TRUE(PumpUntil([&] { return view.paints == 1; }));
    auto& window = *ui.MainWindowState();
    window.UpdateNow();
    EXPECT_EQ(view.paints, 1) << "nothing invalid, nothing painted";
    window.InvalidateControl(res::kMainProgress);
    window.UpdateNow();
    EXPECT_EQ(view.paints, 2);
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(view.paints, 2) << "UpdateNow's own repaint is not reported twice";

    // New texts paint; the same texts set again, on every kind of control, paint nothing.
    window.ShowControl(res::kRetryButton);
    window.SetControlText(res::kFirmwareInfoEdit, "RLQ-610A Ver.1.34/1.06");
    window.SetControlText(res::kMainVersionText, "Ver.1.00→1.06");
    ASSERT_TRUE(PumpUntil([&] { return view.paints > 2; }));
    PumpFor(std::chrono::milliseconds(100));
    const int paints = view.paints;
    for (int id : {res::kFirmwareGroup, res::kFirmwareInfoEdit, res::kIpAddressEdit,
                   res::kMainVersionText, res::kRetryButton}) {
        window.SetControlText(id, window.ControlText(id));
    }
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(view.paints, paints);
}

TEST(QtWindowState, ProgressClampsAndWrapsLikeTheNativeBar) {
    QtToolkit ui;
    Handler frame, view;
    ui.CreateMainWindow({"T", res::FormLayout()}, frame, view);
    auto& window = *ui.MainWindowState();
    window.SetProgressRange(res::kMainProgress, 0, 655360);
    window.SetProgressPosition(res::kMainProgress, 700000);
    EXPECT_EQ(window.ProgressPosition(res::kMainProgress), 655360u);
    auto* bar = qobject_cast<QProgressBar*>(window.Control(res::kMainProgress));
    EXPECT_EQ(bar->value(), bar->maximum());
    window.SetProgressRange(res::kMainProgress, 0, 28);
    window.SetProgressStep(res::kMainProgress, 10);
    window.SetProgressPosition(res::kMainProgress, 25);
    window.StepProgress(res::kMainProgress);
    EXPECT_EQ(window.ProgressPosition(res::kMainProgress), 7u);
    // A range wider than int is shown scaled, not overflowed.
    window.SetProgressRange(res::kMainProgress, 0, 0xFFFFFFFFu);
    window.SetProgressPosition(res::kMainProgress, 0x80000000u);
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_NEAR(double(bar->value()) / bar->maximum(), 0.5, 0.01);
    window.SetControlText(res::kRetryButton, "A&B");
    EXPECT_EQ(window.ControlText(res::kRetryButton), "A&B");
}

TEST(QtMessageBox, Message166ShowsAsThreeLinesWithTheExclamationIcon) {
    QtToolkit ui;
    QString text;
    int lines = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    ui.SetMessageBoxAnswer([&](QMessageBox& box) {
        text = box.text();
        icon = box.icon();
        caption = box.windowTitle();
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            lines = label->height() / label->fontMetrics().lineSpacing();
        }
        box.accept();
    });
    ui.ShowMessage(LoadMessage(msg::kResetAndTftpFailed), LoadMessage(msg::kUpdateFailedCaption),
                   platform::MessageIcon::Exclamation);
    EXPECT_EQ(
        text.split(QLatin1Char('\n')),
        QStringList({QStringLiteral("アップデートできませんでした。"),
                     QStringLiteral("何度も失敗する場合には、メインユニットの電源を入れ直した後、"),
                     QStringLiteral("特殊モードでアップデートしてください。")}));
    EXPECT_FALSE(text.contains(QLatin1Char('\r')));
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(caption, QStringLiteral("アップデート失敗"));
}

TEST(QtWindowPost, TasksFromOtherThreadsRunOnTheWindowsThreadInOrder) {
    QtToolkit ui;
    Handler frame, view;
    ui.CreateMainWindow({"T", res::FormLayout()}, frame, view);
    std::vector<int> ran;
    const auto uiThread = QThread::currentThread();
    bool allOnUiThread = true;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) {
            view.window->Post([&, i] {
                allOnUiThread = allOnUiThread && QThread::currentThread() == uiThread;
                ran.push_back(i);
            });
        }
    });
    poster.join();
    ui.PumpMessages();
    ASSERT_EQ(ran.size(), 100u);
    EXPECT_TRUE(std::is_sorted(ran.begin(), ran.end()));
    EXPECT_TRUE(allOnUiThread);
}

}  // namespace
}  // namespace rlq::testing
