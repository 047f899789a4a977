#pragma once
// The document's data side is the program's own; its transfers are scripted per slot and
// journalled with whether the temporary address was held.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "common/ipv4.h"
#include "firmware/document.h"
#include "firmware/slots.h"
#include "firmware/transfer_busy.h"
#include "platform/embedded_data.h"
#include "tests/doubles/temp_address_control.h"
#include "tests/doubles/transfer_services.h"
#include "tests/support/event_log.h"

namespace rlq::testing {

class FakeUpdateDocument final : public UpdateDocument {
  public:
    FakeUpdateDocument(Journal& journal, TempAddressState& temp, platform::Toolkit& ui)
        : m_journal(journal), m_temp(temp), m_real(platform::ProgramDataItems(), m_idle.With(ui)) {}

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
    void UpdateFirmware(Ipv4 address, int slot, std::uint16_t unitVersion, std::int32_t specialMode,
                        UpdateResult& result) override {
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
        // Scripted in the numbers a result has.
        result = static_cast<UpdateResult>(queue.empty() ? 0 : queue.front());
        if (!queue.empty()) {
            queue.pop_front();
        }
        if (result == UpdateResult::Updated) {
            m_positions[slot] = m_real.GetImageSize(slot);
            m_view->RefreshProgress();
        }
        SetTransferBusy(false);
    }

  private:
    Journal& m_journal;
    TempAddressState& m_temp;
    IdleTransferServices m_idle;  // the real document only ever finds a unit current
    CRLQUpdaterDoc m_real;
    DocumentView* m_view = nullptr;
    std::optional<std::uint32_t> m_positions[kSlotCount];
};

}  // namespace rlq::testing
