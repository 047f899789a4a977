#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/headless/headless_toolkit.h"
#include "resources/dialog_layouts.h"
#include "resources/resource_ids.h"
#include "tests/doubles/host_network.h"
#include "tests/doubles/process.h"
#include "tests/doubles/search_probes.h"
#include "tests/doubles/udp_socket.h"
#include "tests/support/discovery_reply.h"
#include "workflow/cause_texts.h"
#include "workflow/search_dialog.h"

namespace rlq::testing {
namespace {

using namespace std::chrono_literals;
using platform::HeadlessToolkit;
using platform::TimeMode;

class SearchDialogTest : public ::testing::Test {
  protected:
    EventLog log;
    FakeHostNetwork host{log};
    FakeUdpSockets sockets{log, nullptr};

    // Runs the dialog; when the budget is spent the driver presses the dialog's button.
    struct Outcome {
        UnitSlot result;
        std::vector<std::string> events;
    };
    Outcome Run(std::int32_t kind, HeadlessToolkit& ui) {
        CDlgProg dialog(kind, host, sockets);
        ui.SetObserver([&](const platform::UiEvent& event) {
            if (event.kind == platform::UiEvent::Kind::Text &&
                event.control == res::kSearchCancelButton) {
                ui.After(0ms, [&] { ui.Click(*ui.ActiveWindow(), res::kSearchCancelButton); });
            }
        });
        ui.RunModal(res::SearchLayout(), dialog);
        return {dialog.GetResult(), ui.EventLines()};
    }
    int Steps(const std::vector<std::string>& events) {
        return static_cast<int>(std::count_if(
            events.begin(), events.end(),
            [](const std::string& e) { return e.find("1020 position") != std::string::npos; }));
    }
};

struct Budget {
    std::int32_t kind;
    int adapters;
    int ticks;
};

class SearchBudgetTest : public SearchDialogTest, public ::testing::WithParamInterface<Budget> {};

TEST_P(SearchBudgetTest, BarAndBudgetFollowTheKindAndTheAdapterCount) {
    const Budget budget = GetParam();
    host.snapshot = EthernetAdapters(budget.adapters);
    HeadlessToolkit ui(TimeMode::Virtual);
    const auto outcome = Run(budget.kind, ui);
    EXPECT_THAT(outcome.events,
                ::testing::Contains("dialog 132 1020 range 0.." + std::to_string(budget.ticks)));
    EXPECT_EQ(Steps(outcome.events), budget.ticks);
    EXPECT_EQ(outcome.result, UnitSlot{});
}

INSTANTIATE_TEST_SUITE_P(Kinds, SearchBudgetTest,
                         ::testing::Values(Budget{SEARCH_SUB, 1, 28}, Budget{SEARCH_MAIN, 1, 56},
                                           Budget{SEARCH_SUB, 3, 84}, Budget{SEARCH_SUB, 0, 28},
                                           Budget{SEARCH_MAIN, 0, 56}, Budget{SEARCH_BASE, 1, 56},
                                           Budget{SEARCH_BASE | SEARCH_MAIN, 2, 56}));

TEST_F(SearchDialogTest, NotFoundStateShowsTheKindsTextsAndWaitsForTheButton) {
    host.snapshot = EthernetAdapters(1);
    HeadlessToolkit ui(TimeMode::Virtual);
    const auto outcome = Run(SEARCH_SUB, ui);
    const auto& events = outcome.events;
    auto at = [&](const std::string& line) {
        return std::find(events.begin(), events.end(), line) - events.begin();
    };
    const auto lastStep = at("dialog 132 1020 position 28");
    ASSERT_LT(lastStep, static_cast<long>(events.size()));
    EXPECT_GT(at("dialog 132 1021 text \"戻る\""), lastStep);
    EXPECT_GT(at("dialog 132 title "
                 "\"メインユニットに内蔵されているサブユニットが見つかりませんでした。\""),
              lastStep);
    EXPECT_THAT(events,
                ::testing::Contains("dialog 132 1017 text \"サブユニットが見つかりませんでした。"
                                    "メインユニットがLANに接続されているかご確認ください。\""));
    EXPECT_THAT(events, ::testing::Contains(
                            "dialog 132 1018 text \"ボタンを押すと元のウィンドウに戻ります。\""));
    EXPECT_THAT(
        events,
        ::testing::Contains(
            "dialog 132 1019 text \"メインユニットを接続してから、再度実行してください。\""));
    EXPECT_EQ(ui.Elapsed(), 7000ms);
}

TEST_F(SearchDialogTest, SearchingTextsAndAnUnknownKindsEmptyTexts) {
    host.snapshot = EthernetAdapters(1);
    {
        HeadlessToolkit ui(TimeMode::Virtual);
        const auto outcome = Run(SEARCH_MAIN, ui);
        EXPECT_THAT(
            outcome.events,
            ::testing::Contains(
                "dialog 132 1018 text \"LANに接続されているメインユニットを探しています。\""));
        EXPECT_THAT(outcome.events,
                    ::testing::Contains("dialog 132 1019 text \"しばらくお待ちください。\""));
    }
    HeadlessToolkit ui(TimeMode::Virtual);
    const auto outcome = Run(0x07, ui);
    EXPECT_THAT(outcome.events, ::testing::Contains("dialog 132 title \"\""));
    EXPECT_THAT(outcome.events, ::testing::Contains("dialog 132 1019 text \"\""));
}

TEST_F(SearchDialogTest, AFindClosesTheDialogAtOnceWithTheWholeResult) {
    host.snapshot = EthernetAdapters(1);
    sockets.responder = [](const SentDatagram&) {
        return std::vector<IncomingDatagram>{
            {MakeReply(kUnitKindSub, 0x0100), MakeIpv4(10, 1, 2, 3)}};
    };
    HeadlessToolkit ui(TimeMode::Real);
    const auto before = std::chrono::steady_clock::now();
    const auto outcome = Run(SEARCH_SUB, ui);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 240ms)
        << "the find must not wait for a tick";
    EXPECT_EQ(outcome.result, (UnitSlot{kTempAddress, MakeIpv4(10, 1, 2, 3), 10, 1, 0x0100}));
    EXPECT_EQ(Steps(outcome.events), 0);
    EXPECT_THAT(outcome.events, ::testing::Not(::testing::Contains(::testing::HasSubstr("戻る"))));
}

enum class Leave { CancelButton, Escape, Enter, CloseBox };

class SearchCancelTest : public SearchDialogTest, public ::testing::WithParamInterface<Leave> {};

TEST_P(SearchCancelTest, LeavingWhileSearchingStopsTheListenerAndFindsNothing) {
    host.snapshot = EthernetAdapters(1);
    HeadlessToolkit ui(TimeMode::Real);
    CDlgProg dialog(SEARCH_MAIN, host, sockets);
    ui.After(300ms, [&] {
        platform::Window& window = *ui.ActiveWindow();
        switch (GetParam()) {
            case Leave::CancelButton:
                ui.Click(window, res::kSearchCancelButton);
                break;
            case Leave::Escape:
                ui.PressEscape(window);
                break;
            case Leave::Enter:
                ui.PressEnter(window);
                break;
            case Leave::CloseBox:
                ui.ClickCloseBox(window);
                break;
        }
    });
    ui.RunModal(res::SearchLayout(), dialog);
    const auto sentAtClose = sockets.Sent().size();
    EXPECT_GT(sentAtClose, 0u);
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(sockets.Sent().size(), sentAtClose)
        << "the listener must be stopped before the close";
    EXPECT_EQ(dialog.GetResult(), UnitSlot{});
}

// Below its three lines the not-found dialog says why and what to do, unless all it knows is that
// nothing answered: then it looks exactly as before.
TEST_F(SearchDialogTest, NotFoundShowsTheCauseUnlessNothingAnswered) {
    host.snapshot = EthernetAdapters(1);
    for (const NotFoundCause cause : {NotFoundCause::NoReply, NotFoundCause::ReplyBlocked}) {
        HeadlessToolkit ui(TimeMode::Virtual);
        CDlgProg dialog(SEARCH_MAIN, host, sockets);
        SearchDiagnosis diagnosis;
        diagnosis.cause = cause;
        diagnosis.device = MakeIpv4(192, 168, 0, 20);
        ui.SetObserver([&](const platform::UiEvent& event) {
            if (event.kind == platform::UiEvent::Kind::Text &&
                event.control == res::kSearchCancelButton) {
                ui.After(0ms, [&] {
                    dialog.ShowCause(diagnosis);
                    ui.Click(*ui.ActiveWindow(), res::kSearchCancelButton);
                });
            }
        });
        ui.RunModal(res::SearchLayout(), dialog);
        const std::vector<std::string> events = ui.EventLines();
        const auto causeEvents =
            std::count_if(events.begin(), events.end(),
                          [](const std::string& e) { return e.starts_with("dialog 132 1022 "); });
        if (cause == NotFoundCause::NoReply) {
            EXPECT_EQ(causeEvents, 0);
            continue;
        }
        const CauseTexts texts = TextsForCause(diagnosis);
        EXPECT_THAT(texts.seen, ::testing::HasSubstr("192.168.0.20"));
        EXPECT_THAT(events, ::testing::IsSupersetOf(
                                {"dialog 132 1022 text \"" + texts.seen + "\n" + texts.hint + "\"",
                                 std::string("dialog 132 1022 shown")}));
    }
}

// A search the user leaves has no cause to name, and nothing looks at the host for one; a search
// that gives up is diagnosed from looks that ran while its dialog waited for the button, and the
// dialog shows the cause it reports.
TEST_F(SearchDialogTest, OnlyASearchThatGaveUpIsDiagnosed) {
    host.snapshot = EthernetAdapters(1);
    FakeProcess process;
    struct Heard final : SequenceObserver {
        std::vector<std::string> seen;
        void SearchDiagnosed(Unit, const SearchDiagnosis& diagnosis) override {
            seen.push_back(std::string(NotFoundCauseCode(diagnosis.cause)));
        }
        void SearchEnded(Unit, Ipv4, std::uint16_t, bool) override { seen.push_back("end"); }
    };
    enum class Way { Leave, GiveUp, GiveUpBlocked };
    for (const Way way : {Way::Leave, Way::GiveUp, Way::GiveUpBlocked}) {
        FakeSearchProbes probes;
        if (way == Way::GiveUpBlocked) {
            // The firewall blocks all inbound.
            probes.firewall = platform::FirewallState{
                {{platform::FirewallProfileKind::Private, true, true, false}}, std::nullopt, {}};
        }
        Heard heard;
        SequenceListeners listeners;
        listeners.Add(heard);
        HeadlessToolkit ui(way == Way::Leave ? TimeMode::Real : TimeMode::Virtual);
        DialogUnitSearch search(ui, host, sockets, probes, process, {.sequence = listeners});
        if (way == Way::Leave) {
            ui.After(300ms, [&] { ui.PressEscape(*ui.ActiveWindow()); });
        } else {
            // Blocked: the button is pressed once the dialog has shown the cause.
            const int pressAt = way == Way::GiveUp ? res::kSearchCancelButton : res::kSearchCause;
            ui.SetObserver([&, pressAt](const platform::UiEvent& event) {
                if (event.control == pressAt && event.kind != platform::UiEvent::Kind::Title) {
                    ui.After(0ms, [&] { ui.Click(*ui.ActiveWindow(), res::kSearchCancelButton); });
                }
            });
        }
        EXPECT_EQ(search.Find(Unit::Main), UnitSlot{});
        const std::vector<std::vector<std::string>> expected = {
            {"end"}, {"no-reply", "end"}, {"reply-blocked", "end"}};
        EXPECT_EQ(heard.seen, expected[static_cast<int>(way)]);
        EXPECT_EQ(probes.holderLooks, way == Way::Leave ? 0 : 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, SearchCancelTest,
                         ::testing::Values(Leave::CancelButton, Leave::Escape, Leave::Enter,
                                           Leave::CloseBox));

}  // namespace
}  // namespace rlq::testing
