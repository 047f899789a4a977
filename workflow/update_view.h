#pragma once
// The form view that runs the main sequence: search per slot, version texts, updates of the sub
// unit and then the main unit, and the outcome with retry and special mode.

#include <array>
#include <cstdint>
#include <string>

#include "firmware/slots.h"
#include "firmware/update_document.h"
#include "net/temp_address_control.h"
#include "platform/ui.h"
#include "workflow/sequence_events.h"
#include "workflow/unit_search.h"
#include "workflow/unit_slot.h"

namespace rlq {

class CRLQUpdaterView final : public platform::WindowHandler, public DocumentView {
  public:
    CRLQUpdaterView(platform::Toolkit& ui, UpdateDocument& document, UnitSearch& search,
                    TempAddressControlFactory makeReply, WorkflowListeners events = {});

    void OnCreate(platform::Window& window) override { m_window = &window; }
    void OnPaint() override { OnDraw(); }
    void OnCommand(int id) override;

    void RefreshProgress() override;
    void UpdateAllViews() override;

    void OnInitialUpdate();
    void OnDraw();
    void OnRetry();
    void OnSpecialMode();
    void RunUpdateSequence();
    void ShowButton(int id, bool enable);

    // The first run goes straight to the special mode, as after a press of its button.
    void StartInSpecialMode() { m_bSpecialMode = 1; }
    std::int32_t SpecialMode() const { return m_bSpecialMode; }
    // Every run searches both units and shows their versions like an update run, then ends
    // there: nothing is transferred and no temporary address is added after the searches.
    void StartInCheckMode() { m_bCheckOnly = true; }

    // True while a run, or the button press that starts one, is on the stack; the frame refuses
    // to close then, and the buttons do nothing.
    bool IsSequenceRunning() const { return m_nRunDepth > 0; }
    const UnitSlot& Slot(int slot) const { return m_slots[slot]; }
    SequenceOutcome Outcome() const { return m_outcome; }
    std::uint16_t CarriedVersion(int slot) const { return m_document.GetImageVersion(slot); }
    // The unit last found for `slot` runs the carried image, so an update would skip it.
    bool IsCurrent(int slot) const { return m_slots[slot].version == CarriedVersion(slot); }

  private:
    void UpdateData();
    void PumpMessages() { m_ui.PumpMessages(); }
    void SetBar(int slot, std::uint32_t position);
    void ShowMessage(int textId, int captionId);
    void RunSteps();
    bool SearchSlots();
    void ShowVersions();
    void UpdateSlots();
    void EndCheck();
    void OfferRetry(bool withSpecialMode);

    platform::Toolkit& m_ui;
    UpdateDocument& m_document;
    UnitSearch& m_search;
    TempAddressControlFactory m_makeReply;
    WorkflowListeners m_events;
    platform::Window* m_window = nullptr;

    std::string m_strIpAddress;
    std::string m_strFirmwareInfo;
    bool m_bProgressPainted = false;
    std::int32_t m_bSpecialMode = 0;
    bool m_bStarted = false;
    int m_nSlot = kMainSlot;
    std::array<UnitSlot, kSlotCount> m_slots{};
    int m_nRunDepth = 0;
    bool m_bCheckOnly = false;
    SequenceOutcome m_outcome = SequenceOutcome::None;
};

}  // namespace rlq
