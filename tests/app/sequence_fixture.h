#pragma once
// Runs the application with the headless toolkit and doubles for the search, the temporary
// address and (optionally) the document's transfers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "common/ipv4.h"
#include "common/temp_address.h"
#include "firmware/document.h"
#include "firmware/slots.h"
#include "firmware/transfer_busy.h"
#include "frontends/cli/exit_status.h"
#include "net/reply.h"
#include "platform/embedded_data.h"
#include "platform/headless/headless_toolkit.h"

namespace rlq::testing {

// What happened, in order, across the doubles.
using Journal = std::vector<std::string>;

class FakeProcess final : public platform::ProcessEnvironment {
  public:
    bool anotherInstance = false;
    bool socketsFail = false;
    std::unique_ptr<platform::SingleInstanceGuard> ClaimSingleInstance(std::string_view) override {
        return anotherInstance ? nullptr : std::make_unique<platform::SingleInstanceGuard>();
    }
    std::optional<std::string> ProgramPath() override { return "/opt/rlq/rlq-updater"; }
    char PathSeparator() const override { return '/'; }
    bool SetCurrentDirectory(const std::string&) override { return true; }
    bool StartSockets() override { return !socketsFail; }
    bool MayChangeAddresses() const override { return true; }
};

class FakeSearch final : public UnitSearch {
  public:
    explicit FakeSearch(Journal& journal) : m_journal(journal) {}
    // Finds, per kind, in the order they are to be given; an empty queue finds nothing.
    std::map<std::int32_t, std::deque<UnitSlot>> finds;
    std::function<void()> duringSearch;

    UnitSlot Find(std::int32_t kind) override {
        m_journal.push_back("search " + std::to_string(kind));
        if (duringSearch) {
            duringSearch();
        }
        auto& queue = finds[kind];
        if (queue.empty()) {
            return {};
        }
        UnitSlot found = queue.front();
        queue.pop_front();
        return found;
    }

  private:
    Journal& m_journal;
};

struct TempAddressState {
    bool held = false;
    int addFailuresLeft = 0;
};

class FakeReply final : public TempAddressControl {
  public:
    FakeReply(Journal& journal, TempAddressState& state) : m_journal(journal), m_state(state) {}
    void AddTempAddress(std::uint32_t interfaceIndex, std::int32_t& failed) override {
        m_journal.push_back("add " + std::to_string(interfaceIndex));
        EXPECT_FALSE(m_state.held) << "added twice without a delete";
        if (m_state.addFailuresLeft > 0) {
            --m_state.addFailuresLeft;
            failed = 1;
            return;
        }
        m_state.held = true;
        failed = 0;
    }
    void DeleteTempAddress() override {
        m_journal.push_back("delete");
        m_state.held = false;
    }

  private:
    Journal& m_journal;
    TempAddressState& m_state;
};

// The document's data side is real; its transfers are scripted per slot.
class ScriptedDocument final : public UpdateDocument {
  public:
    ScriptedDocument(Journal& journal, TempAddressState& temp, platform::Toolkit& ui)
        : m_journal(journal),
          m_temp(temp),
          m_real(platform::ProgramDataItems(), TransferServices{.ui = &ui}) {}

    std::map<int, std::deque<std::int32_t>> results;  // per slot; empty: 0
    std::function<void(int slot)> duringTransfer;
    // The view reads the text on each of its draws, except those for the progress bar alone.
    mutable int infoTextReads = 0;

    void SetView(DocumentView* view) override {
        m_view = view;
        m_real.SetView(view);
    }
    std::string GetInfoText() const override {
        ++infoTextReads;
        return m_real.GetInfoText();
    }
    std::uint32_t GetImageSize(int slot) const override { return m_real.GetImageSize(slot); }
    std::uint16_t GetImageVersion(int slot) const override { return m_real.GetImageVersion(slot); }
    std::uint32_t GetPosition(int slot) const override {
        return m_positions[slot] ? *m_positions[slot] : m_real.GetPosition(slot);
    }
    void UpdateFirmware(std::uint32_t address, int slot, std::uint16_t unitVersion,
                        std::int32_t specialMode, std::int32_t& result) override {
        if (unitVersion == m_real.GetImageVersion(slot)) {
            m_positions[slot].reset();
            m_real.UpdateFirmware(address, slot, unitVersion, specialMode, result);
            m_journal.push_back("current " + std::to_string(slot));
            return;
        }
        m_journal.push_back("update " + std::to_string(slot) + " " + FormatIpv4(address) + " v" +
                            std::to_string(unitVersion) + " special " +
                            std::to_string(specialMode) + (m_temp.held ? " held" : ""));
        SetTransferBusy(true);
        m_positions[slot] = 0;
        if (duringTransfer) {
            duringTransfer(slot);
        }
        auto& queue = results[slot];
        result = queue.empty() ? 0 : queue.front();
        if (!queue.empty()) {
            queue.pop_front();
        }
        if (result == 0) {
            m_positions[slot] = m_real.GetImageSize(slot);
            m_view->RefreshProgress();
        }
        SetTransferBusy(false);
    }

  private:
    Journal& m_journal;
    TempAddressState& m_temp;
    CRLQUpdaterDoc m_real;
    DocumentView* m_view = nullptr;
    std::optional<std::uint32_t> m_positions[kSlotCount];
};

class SequenceTest : public ::testing::Test {
  protected:
    static constexpr std::uint32_t kPcAddress = 0xC0A84D0A;    // 192.168.77.10
    static constexpr std::uint32_t kMainAddress = 0xC0A84D14;  // 192.168.77.20
    static constexpr std::uint32_t kSubAddress = 0x0A010203;   // 10.1.2.3
    static constexpr std::uint32_t kInterface = 7;

    platform::HeadlessToolkit ui{platform::TimeMode::Virtual};
    Journal journal;
    TempAddressState temp;
    FakeProcess process;
    FakeSearch search{journal};
    // Transfer results per slot, in order of the runs (none left: success).
    std::map<int, std::deque<std::int32_t>> transferResults;
    std::function<void(int slot)> duringTransfer;
    bool checkOnly = false;
    std::unique_ptr<CRLQUpdaterApp> app;

    void SetUp() override { SetTransferBusy(false); }

    static UnitSlot MainUnit(std::uint16_t version) {
        return UnitSlot{kPcAddress, kMainAddress, kInterface, 0, version};
    }
    static UnitSlot SubUnit(std::uint16_t version) {
        return UnitSlot{kTempAddress, kSubAddress, kInterface, 1, version};
    }

    // Starts the program and lets it run until nothing is left to do.
    bool Start() {
        AppParts parts{ui,
                       process,
                       [this] {
                           auto doc = std::make_unique<ScriptedDocument>(journal, temp, ui);
                           doc->results = transferResults;
                           doc->duringTransfer = duringTransfer;
                           return doc;
                       },
                       search,
                       [this] { return std::make_unique<FakeReply>(journal, temp); },
                       false,
                       checkOnly};
        app = std::make_unique<CRLQUpdaterApp>(std::move(parts));
        const bool started = app->InitInstance();
        if (started) {
            ui.PumpMessages();
        }
        return started;
    }

    platform::Window& Main() { return ui.MainWindowState(); }
    // What the console tool would exit with after this run.
    int ExitStatus() const { return cli::ExitForOutcome(app->View()->Outcome(), checkOnly).status; }
    bool MainOpen() { return ui.MainWindow() != nullptr; }
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
