#include "firmware/image_format.h"
#include "resources/resource_ids.h"
#include "tests/app/sequence_fixture.h"

namespace rlq::testing {
namespace {

using ::testing::ElementsAre;

const std::string kComplete =
    "message \"アップデート完了\" \"アップデートを完了しました。メインユニットの電源プラグを一旦コ"
    "ンセントから抜き、10秒程度経ってから、再び差し込んでください。\"";
const std::string kAddFailed = "message \"アップデート失敗\" \"アップデートできませんでした。\"";

TEST_F(SequenceTest, BothUnitsCurrentFillBothBarsThenCompleteAndClose) {
    search.finds[Unit::Main] = {MainUnit(0x0134)};
    search.finds[Unit::Sub] = {UnitSlot{kPcAddress, Ipv4{0xC0A84D15}, kInterface, 0, 0x0106}};
    ASSERT_TRUE(Start());

    EXPECT_THAT(journal, ElementsAre("search main", "search sub", "current 1", "current 0"));
    EXPECT_THAT(Messages(), ElementsAre(kComplete));
    EXPECT_FALSE(MainOpen());
    EXPECT_GE(Find("main 1016 position 236986"), 0);
    EXPECT_GE(Find("main 1014 position 655360"), 0);
    EXPECT_GE(Find("main 1027 text \"Ver.1.34→1.34\""), 0);
    EXPECT_GE(Find("main 1028 text \"Ver.1.06→1.06\""), 0);
    EXPECT_EQ(ExitStatus(), 0);
}

TEST_F(SequenceTest, MainUnitNotFoundOffersRetryOnlyAndLeavesVersionsEmpty) {
    ASSERT_TRUE(Start());

    EXPECT_THAT(journal, ElementsAre("search main"));
    EXPECT_TRUE(Main().IsControlVisible(res::kRetryButton));
    EXPECT_TRUE(Main().IsControlEnabled(res::kRetryButton));
    EXPECT_FALSE(Main().IsControlVisible(res::kSpecialModeButton));
    EXPECT_EQ(Main().ControlText(res::kMainVersionText), "");
    EXPECT_EQ(Main().ControlText(res::kSubVersionText), "");
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(MainOpen());
    EXPECT_EQ(ExitStatus(), 1);
}

TEST_F(SequenceTest, SubUnitNotFoundOffersBothButtonsAndUpdatesNothing) {
    search.finds[Unit::Main] = {MainUnit(0x0130)};
    ASSERT_TRUE(Start());

    EXPECT_THAT(journal, ElementsAre("search main", "search sub"));
    EXPECT_TRUE(Main().IsControlVisible(res::kRetryButton));
    EXPECT_TRUE(Main().IsControlVisible(res::kSpecialModeButton));
    EXPECT_TRUE(MainOpen());
    EXPECT_EQ(ExitStatus(), 2);
}

TEST_F(SequenceTest, SpecialModeSkipsTheSubSearchAndUsesTheFixedAddressThroughTheTempAddress) {
    search.finds[Unit::Main] = {MainUnit(0x0130), MainUnit(0x0130)};
    ASSERT_TRUE(Start());
    journal.clear();

    Click(res::kSpecialModeButton);

    EXPECT_THAT(journal,
                ElementsAre("search main", "add 7", "update 1 10.255.255.237 v0 special 1 held",
                            "delete", "update 0 192.168.77.20 v304 special 1"));
    EXPECT_EQ(Main().ControlText(res::kSubVersionText), "Ver.0.00→1.06");
    const auto& sub = app->View()->Slot(kSubSlot);
    EXPECT_EQ(sub.localAddress, kTempAddress);
    EXPECT_EQ(sub.unitAddress, Ipv4{0x0AFFFFEDu});
    EXPECT_EQ(sub.interfaceIndex, kInterface);
    EXPECT_EQ(sub.viaTempAddress, 1);
    EXPECT_THAT(Messages(), ElementsAre(kComplete));
    EXPECT_FALSE(MainOpen());
}

TEST_F(SequenceTest, SpecialModeKeepsTheVersionAnEarlierSearchFoundAndRetryClearsTheMode) {
    search.finds[Unit::Main] = {MainUnit(0x0130), MainUnit(0x0130), MainUnit(0x0130)};
    search.finds[Unit::Sub] = {SubUnit(0x0100), SubUnit(0x0100)};
    transferResults[kSubSlot] = {2, 1};
    ASSERT_TRUE(Start());

    journal.clear();
    Click(res::kSpecialModeButton);
    EXPECT_EQ(Main().ControlText(res::kSubVersionText), "Ver.1.00→1.06");
    EXPECT_THAT(journal, ElementsAre("search main", "add 7",
                                     "update 1 10.255.255.237 v256 special 1 held", "delete"));

    journal.clear();
    Click(res::kRetryButton);
    EXPECT_THAT(journal, ElementsAre("search main", "search sub", "add 7",
                                     "update 1 10.1.2.3 v256 special 0 held", "delete",
                                     "update 0 192.168.77.20 v304 special 0"));
    EXPECT_FALSE(MainOpen());
}

class FailingSequenceTest : public SequenceTest {
  protected:
    void StartWithSubResult(std::int32_t subResult) {
        search.finds[Unit::Main] = {MainUnit(0x0130)};
        search.finds[Unit::Sub] = {SubUnit(0x0100)};
        transferResults[kSubSlot] = {subResult};
        ASSERT_TRUE(Start());
    }
};

TEST_F(FailingSequenceTest, ResultOneOffersRetryAndReleasesTheTempAddress) {
    StartWithSubResult(1);
    EXPECT_THAT(journal, ElementsAre("search main", "search sub", "add 7",
                                     "update 1 10.1.2.3 v256 special 0 held", "delete"));
    EXPECT_FALSE(temp.held);
    EXPECT_TRUE(Main().IsControlVisible(res::kRetryButton));
    EXPECT_FALSE(Main().IsControlVisible(res::kSpecialModeButton));
    EXPECT_TRUE(Messages().empty());  // the document shows its own failure messages
    EXPECT_TRUE(MainOpen());
    EXPECT_EQ(ExitStatus(), 1);
}

TEST_F(FailingSequenceTest, AButtonPressedWhileTheRunUnwindsStartsNoRunInsideIt) {
    bool posted = false;
    duringTransfer = [&](int) {
        if (!std::exchange(posted, true)) {
            // Handled in the pump that offers the button, while the address is still held.
            Main().Post([this] { ui.Click(Main(), res::kRetryButton); });
        }
    };
    StartWithSubResult(1);
    ASSERT_TRUE(posted);
    EXPECT_THAT(journal, ElementsAre("search main", "search sub", "add 7",
                                     "update 1 10.1.2.3 v256 special 0 held", "delete"));
    EXPECT_FALSE(app->View()->IsSequenceRunning());
    EXPECT_TRUE(Main().IsControlEnabled(res::kRetryButton)) << "still offered";
    Click(res::kRetryButton);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "search main"), 2);
}

TEST_F(FailingSequenceTest, APressHandledWhileAnotherPressGreysTheButtonsStartsNoSecondRun) {
    StartWithSubResult(2);
    // Handled in the pump that greys the special-mode button, while retry is still enabled.
    Main().Post([this] { ui.Click(Main(), res::kRetryButton); });
    Click(res::kSpecialModeButton);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "search main"), 2) << "one run per press";
    EXPECT_FALSE(app->View()->IsSequenceRunning());
}

TEST_F(FailingSequenceTest, ResultTwoOffersRetryAndSpecialMode) {
    StartWithSubResult(2);
    EXPECT_TRUE(Main().IsControlVisible(res::kRetryButton));
    EXPECT_TRUE(Main().IsControlVisible(res::kSpecialModeButton));
    EXPECT_TRUE(MainOpen());
    EXPECT_EQ(ExitStatus(), 2);
}

TEST_F(FailingSequenceTest, ButtonsAreGreyedButVisibleWhileTheRetryRuns) {
    StartWithSubResult(2);
    search.finds[Unit::Main] = {MainUnit(0x0130)};
    bool searched = false;
    search.duringSearch = [&] {
        searched = true;
        EXPECT_TRUE(Main().IsControlVisible(res::kRetryButton));
        EXPECT_FALSE(Main().IsControlEnabled(res::kRetryButton));
        EXPECT_TRUE(Main().IsControlVisible(res::kSpecialModeButton));
        EXPECT_FALSE(Main().IsControlEnabled(res::kSpecialModeButton));
    };
    Click(res::kRetryButton);
    EXPECT_TRUE(searched);
    const int retryGreyed = Find("main 1029 disabled");
    const int specialGreyed = Find("main 1026 disabled");
    EXPECT_GE(retryGreyed, 0);
    EXPECT_GT(specialGreyed, retryGreyed);
}

TEST_F(SequenceTest, TempAddressIsHeldOnlyAroundTheSlotThatNeedsIt) {
    search.finds[Unit::Main] = {UnitSlot{kTempAddress, Ipv4{0x0A000014}, kInterface, 1, 0x0130}};
    search.finds[Unit::Sub] = {SubUnit(0x0100)};
    ASSERT_TRUE(Start());
    EXPECT_THAT(journal, ElementsAre("search main", "search sub", "add 7",
                                     "update 1 10.1.2.3 v256 special 0 held", "delete", "add 7",
                                     "update 0 10.0.0.20 v304 special 0 held", "delete"));
}

TEST_F(SequenceTest, FailedTempAddressShowsTheFailureAndOffersRetryForTheSubUnit) {
    search.finds[Unit::Main] = {MainUnit(0x0130)};
    search.finds[Unit::Sub] = {SubUnit(0x0100)};
    temp.addFailuresLeft = 1;
    ASSERT_TRUE(Start());
    EXPECT_THAT(journal, ElementsAre("search main", "search sub", "add 7"));
    EXPECT_THAT(Messages(), ElementsAre(kAddFailed));
    EXPECT_TRUE(Main().IsControlVisible(res::kRetryButton));
    EXPECT_FALSE(Main().IsControlVisible(res::kSpecialModeButton));
    EXPECT_TRUE(MainOpen());
    EXPECT_EQ(ExitStatus(), 1);
}

TEST_F(SequenceTest, FailedTempAddressForTheMainUnitKeepsTheWindowOpenWithRetry) {
    search.finds[Unit::Main] = {UnitSlot{kTempAddress, Ipv4{0x0A000014}, kInterface, 1, 0x0130}};
    search.finds[Unit::Sub] = {UnitSlot{kPcAddress, Ipv4{0xC0A84D15}, kInterface, 0, 0x0100}};
    // The sub unit needs no temporary address; the main unit's add is refused.
    temp.addFailuresLeft = 1;
    ASSERT_TRUE(Start());
    EXPECT_THAT(journal, ElementsAre("search main", "search sub",
                                     "update 1 192.168.77.21 v256 special 0", "add 7"));
    EXPECT_THAT(Messages(), ElementsAre(kAddFailed));
    EXPECT_TRUE(Main().IsControlVisible(res::kRetryButton));
    EXPECT_TRUE(MainOpen());
}

// The check: the update's own searches, then the versions and the end. Nothing is transferred,
// and the sub unit, found through the temporary address, does not get it added again.
struct CheckCase {
    const char* name;
    std::uint16_t mainVersion, subVersion;
    int exitStatus;
    std::vector<std::string> checked;  // what the view reports of each unit
};

class CheckSequenceTest : public SequenceTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckSequenceTest, SearchesBothShowsTheVersionsAndTransfersNothing) {
    checkOnly = true;
    search.finds[Unit::Main] = {MainUnit(GetParam().mainVersion)};
    search.finds[Unit::Sub] = {SubUnit(GetParam().subVersion)};
    struct Checks final : SequenceObserver {
        std::vector<std::string> seen;
        void UnitChecked(Unit unit, Ipv4 address, std::uint16_t version, std::uint16_t,
                         bool current) override {
            seen.push_back(std::string(UnitName(unit)) + " " + FormatIpv4(address) + " " +
                           FormatVersion(version) + (current ? " current" : " differs"));
        }
    } checks;
    events.Add(checks);
    ASSERT_TRUE(Start());

    EXPECT_THAT(journal, ElementsAre("search main", "search sub"));
    EXPECT_FALSE(temp.held);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Main().ControlText(res::kMainVersionText),
              "Ver." + FormatVersion(GetParam().mainVersion) + "→1.34");
    EXPECT_EQ(Main().ControlText(res::kSubVersionText),
              "Ver." + FormatVersion(GetParam().subVersion) + "→1.06");
    EXPECT_EQ(Find("main 1016 position 236986"), -1);
    EXPECT_FALSE(MainOpen());
    EXPECT_EQ(ExitStatus(), GetParam().exitStatus);
    EXPECT_EQ(checks.seen, GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, CheckSequenceTest,
    ::testing::Values(CheckCase{"BothCurrent",
                                0x0134,
                                0x0106,
                                0,
                                {"main 192.168.77.20 1.34 current", "sub 10.1.2.3 1.06 current"}},
                      CheckCase{"MainOlder",
                                0x0130,
                                0x0106,
                                3,
                                {"main 192.168.77.20 1.30 differs", "sub 10.1.2.3 1.06 current"}},
                      CheckCase{"SubOlder",
                                0x0134,
                                0x0100,
                                3,
                                {"main 192.168.77.20 1.34 current", "sub 10.1.2.3 1.00 differs"}},
                      // The update would bring it back to the carried one.
                      CheckCase{"SubNewer",
                                0x0134,
                                0x0107,
                                3,
                                {"main 192.168.77.20 1.34 current", "sub 10.1.2.3 1.07 differs"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SequenceTest, CheckEndsLikeTheUpdateWhenTheSubUnitIsNotFound) {
    checkOnly = true;
    search.finds[Unit::Main] = {MainUnit(0x0130)};
    ASSERT_TRUE(Start());
    EXPECT_THAT(journal, ElementsAre("search main", "search sub"));
    EXPECT_TRUE(Main().IsControlVisible(res::kSpecialModeButton));
    EXPECT_EQ(ExitStatus(), 2);
}

TEST_F(SequenceTest, VisibleChangesComeInTheirOrder) {
    search.finds[Unit::Main] = {MainUnit(0x0130)};
    search.finds[Unit::Sub] = {SubUnit(0x0100)};
    ASSERT_TRUE(Start());
    const int title = Find("main opened \"RLQ-610A firmware updater\"");
    const int info = Find("main 1015 text \"RLQ-610A  Ver.1.34/1.06\"");
    const int labels = Find("main 1025 text \"Sub\"");
    const int mainVersion = Find("main 1027 text \"Ver.1.30→1.34\"");
    const int subVersion = Find("main 1028 text \"Ver.1.00→1.06\"");
    const int subAddress = Find("main 1001 text \"10.1.2.3\"");
    const int subFull = Find("main 1016 position 236986");
    const int mainAddress = Find("main 1001 text \"192.168.77.20\"");
    const int mainFull = Find("main 1014 position 655360");
    const int complete = Find("message \"アップデート完了\"");
    const int closed = Find("main closed");
    EXPECT_LT(info, title);
    EXPECT_LT(labels, title);
    EXPECT_LT(title, mainVersion);
    EXPECT_LT(mainVersion, subVersion);
    EXPECT_LT(subVersion, subAddress);
    EXPECT_LT(subAddress, subFull);
    EXPECT_LT(subFull, mainAddress);
    EXPECT_LT(mainAddress, mainFull);
    EXPECT_LT(mainFull, complete);
    EXPECT_LT(complete, closed);
}

TEST_F(SequenceTest, PaintDuringTheSequenceDoesNotStartASecondOne) {
    search.finds[Unit::Main] = {MainUnit(0x0130)};
    search.duringSearch = [this] {
        Main().InvalidateControl(res::kMainProgress);
        ui.PumpMessages();
        Main().InvalidateControl(res::kMainProgress);
        Main().UpdateNow();
    };
    ASSERT_TRUE(Start());
    EXPECT_THAT(journal, ElementsAre("search main", "search sub"));
    EXPECT_GE(Find("main paint", Find("main paint") + 1), 0);
}

TEST_F(SequenceTest, CloseIsRefusedDuringATransferAndDuringTheSequenceButWorksAfterwards) {
    search.finds[Unit::Main] = {MainUnit(0x0130)};
    search.finds[Unit::Sub] = {SubUnit(0x0100)};
    transferResults[kSubSlot] = {1};
    search.duringSearch = [this] {
        ui.ClickCloseBox(*ui.MainWindow());
        EXPECT_TRUE(MainOpen());
    };
    bool triedDuringTransfer = false;
    duringTransfer = [&](int) {
        ui.ClickCloseBox(*ui.MainWindow());
        triedDuringTransfer = true;
        EXPECT_TRUE(MainOpen());
    };
    ASSERT_TRUE(Start());
    ASSERT_TRUE(triedDuringTransfer);
    ASSERT_TRUE(MainOpen());

    ui.ClickCloseBox(*ui.MainWindow());
    EXPECT_FALSE(MainOpen());
}

TEST_F(SequenceTest, ASecondInstanceEndsWithoutAWindowOrMessage) {
    process.anotherInstance = true;
    EXPECT_FALSE(Start());
    EXPECT_TRUE(ui.Events().empty());
    EXPECT_TRUE(journal.empty());
}

TEST_F(SequenceTest, SocketStartFailureShowsItsMessageAndEnds) {
    process.socketsFail = true;
    EXPECT_FALSE(Start());
    EXPECT_THAT(
        Messages(),
        ElementsAre("message \"RLQUpdater\" \"Windows ソケットの初期化に失敗しました。\" !"));
    EXPECT_EQ(ui.MainWindow(), nullptr);
}

TEST_F(SequenceTest, AboutBoxOpensFromTheHelpCommandAndClosesWithOk) {
    ASSERT_TRUE(Start());
    ui.After(std::chrono::milliseconds(1), [this] { ui.Click(*ui.ActiveWindow(), res::kAboutOk); });
    app->OnAppAbout();
    EXPECT_GE(Find("dialog 100 opened \"バージョン情報 RLQ-610A firmware updater\""), 0);
    EXPECT_GE(Find("dialog 100 closed"), 0);
}

// The Help menu's folder of the records; where no file manager starts, the user is told where.
TEST_F(SequenceTest, RecordFolderOpensFromTheHelpCommandOrIsNamed) {
    ASSERT_TRUE(Start());
    app->OnShowRecords();
    EXPECT_EQ(recordsShown, 1);
    EXPECT_TRUE(Messages().empty());
    recordsCanBeShown = false;
    app->OnShowRecords();
    EXPECT_THAT(Messages(),
                ElementsAre("message \"RLQUpdater\" \"実行ログのフォルダーを開けませんでした。"
                            "場所: /state/rlq-updater\" !"));
}

}  // namespace
}  // namespace rlq::testing
