#pragma once
// Runs the application with doubles for the process, the search, the temporary address and the
// document's transfers: SequenceFixture holds what every toolkit shares, SequenceTest runs it on
// the headless toolkit.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/exit_status.h"
#include "common/temp_address.h"
#include "firmware/slots.h"
#include "firmware/transfer_busy.h"
#include "net/reply.h"
#include "platform/headless/headless_toolkit.h"
#include "tests/doubles/process.h"
#include "tests/doubles/temp_address_control.h"
#include "tests/doubles/unit_search.h"
#include "tests/doubles/update_document.h"
#include "tests/support/event_log.h"

namespace rlq::testing {

template <typename Toolkit>
class SequenceFixture : public ::testing::Test {
  protected:
    static constexpr Ipv4 kPcAddress{0xC0A84D0A};    // 192.168.77.10
    static constexpr Ipv4 kMainAddress{0xC0A84D14};  // 192.168.77.20
    static constexpr Ipv4 kSubAddress{0x0A010203};   // 10.1.2.3
    static constexpr std::uint32_t kInterface = 7;

    template <typename... ToolkitArguments>
    explicit SequenceFixture(ToolkitArguments&&... arguments)
        : ui(std::forward<ToolkitArguments>(arguments)...) {}

    Toolkit ui;
    Journal journal;
    TempAddressState temp;
    FakeProcess process;
    FakeUnitSearch search{journal};
    // Transfer results per slot, in order of the runs (none left: success).
    std::map<int, std::deque<std::int32_t>> transferResults;
    std::function<void(int slot)> duringTransfer;
    bool checkOnly = false;
    RunListeners events;  // tests add the listeners they check
    std::unique_ptr<CRLQUpdaterApp> app;
    FakeUpdateDocument* document = nullptr;

    void SetUp() override { SetTransferBusy(false); }

    static UnitSlot MainUnit(std::uint16_t version) {
        return UnitSlot{kPcAddress, kMainAddress, kInterface, 0, version};
    }
    static UnitSlot SubUnit(std::uint16_t version) {
        return UnitSlot{kTempAddress, kSubAddress, kInterface, 1, version};
    }

    // Makes the program from the doubles and runs its start-up; false when it ends at once.
    bool InitProgram() {
        AppParts parts{ui,
                       process,
                       [this] {
                           auto doc = std::make_unique<FakeUpdateDocument>(journal, temp, ui);
                           doc->results = transferResults;
                           doc->duringTransfer = [this](int slot) {
                               if (duringTransfer) {
                                   duringTransfer(slot);
                               }
                           };
                           document = doc.get();
                           return doc;
                       },
                       search,
                       [this] { return std::make_unique<FakeTempAddressControl>(journal, temp); },
                       events,
                       [] {},
                       false,
                       checkOnly,
                       [this] {
                           ++recordsShown;
                           return recordsCanBeShown;
                       },
                       "/state/rlq-updater"};
        app = std::make_unique<CRLQUpdaterApp>(std::move(parts));
        return app->InitInstance();
    }

    bool MainOpen() { return ui.MainWindow() != nullptr; }

    int recordsShown = 0;
    bool recordsCanBeShown = true;
};

class SequenceTest : public SequenceFixture<platform::HeadlessToolkit> {
  protected:
    SequenceTest() : SequenceFixture(platform::TimeMode::Virtual) {}

    // Starts the program and lets it run until nothing is left to do.
    bool Start() {
        const bool started = InitProgram();
        if (started) {
            ui.PumpMessages();
        }
        return started;
    }

    platform::Window& Main() { return ui.MainWindowState(); }
    // What the console tool would exit with after this run.
    int ExitStatus() const { return ExitForOutcome(app->View()->Outcome(), checkOnly).status; }
    void Click(int id) {
        ui.Click(Main(), id);
        ui.PumpMessages();
    }

    std::vector<std::string> Messages() const {
        return ui.EventLines(platform::UiEvent::Kind::Message);
    }

    // The index of the first log line containing `needle` at or after `from`; -1 when none.
    int Find(const std::string& needle, int from = 0) const {
        const auto lines = ui.EventLines();
        for (int i = from; i < static_cast<int>(lines.size()); ++i) {
            if (lines[i].find(needle) != std::string::npos) {
                return i;
            }
        }
        return -1;
    }
};

}  // namespace rlq::testing
