#include "workflow/update_view.h"

#include "common/ipv4.h"
#include "common/temp_address.h"
#include "common/unit_network.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "net/reply.h"
#include "resources/message_catalogue.h"
#include "resources/resource_ids.h"

namespace rlq {
namespace {

constexpr int kProgressControl[kSlotCount] = {res::kMainProgress, res::kSubProgress};
constexpr int kVersionControl[kSlotCount] = {res::kMainVersionText, res::kSubVersionText};

// Counts a run (or the button press that starts one) as on the stack, for the frame's close
// rule and the buttons, on every way out.
class RunningScope {
  public:
    explicit RunningScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~RunningScope() { --m_depth; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

  private:
    int& m_depth;
};

}  // namespace

CRLQUpdaterView::CRLQUpdaterView(platform::Toolkit& ui, UpdateDocument& document,
                                 UnitSearch& search, TempAddressControlFactory makeReply,
                                 WorkflowListeners events)
    : m_ui(ui),
      m_document(document),
      m_search(search),
      m_makeReply(std::move(makeReply)),
      m_events(events) {}

void CRLQUpdaterView::OnCommand(int id) {
    // A button pressed while a run, or the press that starts one, is still on the stack (in one
    // of its message pumps) would start a run inside it, perhaps while the outer run holds the
    // temporary address. The button stays offered, so the next press starts the run.
    if (m_nRunDepth > 0) {
        return;
    }
    RunningScope pressed(m_nRunDepth);
    if (id == res::kRetryButton) {
        OnRetry();
    } else if (id == res::kSpecialModeButton) {
        OnSpecialMode();
    }
}

void CRLQUpdaterView::SetBar(int slot, std::uint32_t position) {
    m_window->SetProgressPosition(kProgressControl[slot], position);
    m_events.sequence.Tell(&SequenceObserver::Progress, UnitOfSlot(slot), position,
                           m_document.GetImageSize(slot));
}

void CRLQUpdaterView::ShowMessage(int textId, int captionId) {
    const std::string_view text = LoadMessage(textId);
    const std::string_view caption = LoadMessage(captionId);
    m_events.transfer.Tell(&TransferObserver::MessageShown, textId, caption, text);
    m_ui.ShowMessage(text, caption, platform::MessageIcon::None);
}

void CRLQUpdaterView::UpdateData() {
    m_window->SetControlText(res::kIpAddressEdit, m_strIpAddress);
    m_window->SetControlText(res::kFirmwareInfoEdit, m_strFirmwareInfo);
}

void CRLQUpdaterView::OnInitialUpdate() {
    m_document.SetView(this);
    m_strFirmwareInfo = m_document.GetInfoText();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        m_window->SetProgressRange(kProgressControl[slot], 0, m_document.GetImageSize(slot));
        SetBar(slot, 0);
    }
    m_window->SetControlText(res::kMainLabel, LoadMessage(msg::kMainLabel));
    m_window->SetControlText(res::kSubLabel, LoadMessage(msg::kSubLabel));
    UpdateData();
}

void CRLQUpdaterView::OnDraw() {
    if (!m_bStarted) {
        m_bStarted = true;
        RunUpdateSequence();
    }
    if (m_bProgressPainted) {
        m_bProgressPainted = false;
        return;
    }
    m_strFirmwareInfo = m_document.GetInfoText();
    SetBar(m_nSlot, m_document.GetPosition(m_nSlot));
    UpdateData();
}

void CRLQUpdaterView::RefreshProgress() {
    const int bar = kProgressControl[m_nSlot];
    if (!m_window || !m_window->HasControl(bar)) {
        return;
    }
    SetBar(m_nSlot, m_document.GetPosition(m_nSlot));
    m_window->InvalidateControl(bar);
    m_bProgressPainted = true;
    m_window->UpdateNow();
    PumpMessages();
}

void CRLQUpdaterView::UpdateAllViews() {
    m_window->InvalidateControl(res::kFirmwareInfoEdit);
}

void CRLQUpdaterView::ShowButton(int id, bool enable) {
    if (enable) {
        m_window->ShowControl(id);
        m_window->EnableControl(id, true);
    } else {
        m_window->EnableControl(id, false);
    }
    m_window->InvalidateControl(id);
    m_window->UpdateNow();
    PumpMessages();
}

void CRLQUpdaterView::OnRetry() {
    ShowButton(res::kRetryButton, false);
    ShowButton(res::kSpecialModeButton, false);
    m_bSpecialMode = 0;
    RunUpdateSequence();
}

void CRLQUpdaterView::OnSpecialMode() {
    ShowButton(res::kSpecialModeButton, false);
    ShowButton(res::kRetryButton, false);
    m_bSpecialMode = 1;
    RunUpdateSequence();
}

void CRLQUpdaterView::OfferRetry(bool withSpecialMode) {
    m_events.sequence.Tell(&SequenceObserver::Offered, OfferedButton::Retry);
    ShowButton(res::kRetryButton, true);
    if (withSpecialMode) {
        m_events.sequence.Tell(&SequenceObserver::Offered, OfferedButton::SpecialMode);
        ShowButton(res::kSpecialModeButton, true);
    }
    m_outcome =
        withSpecialMode ? SequenceOutcome::SpecialModeOffered : SequenceOutcome::RetryOffered;
}

void CRLQUpdaterView::RunUpdateSequence() {
    {
        RunningScope running(m_nRunDepth);
        RunSteps();
    }
    m_events.sequence.Tell(&SequenceObserver::RunEnded, m_outcome);
}

void CRLQUpdaterView::RunSteps() {
    m_outcome = SequenceOutcome::None;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        m_nSlot = slot;
        SetBar(slot, 0);
    }
    if (!SearchSlots()) {
        return;
    }
    ShowVersions();
    m_window->UpdateNow();
    PumpMessages();
    if (m_bCheckOnly) {
        EndCheck();
        return;
    }
    UpdateSlots();
}

// False when a slot was not found; the buttons for that end are then offered.
bool CRLQUpdaterView::SearchSlots() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        m_nSlot = slot;
        if (m_bSpecialMode == 1 && slot == kSubSlot) {
            UnitSlot& sub = m_slots[kSubSlot];
            sub.localAddress = kTempAddress;
            sub.unitAddress = kSpecialModeSubAddress;
            sub.interfaceIndex = m_slots[kMainSlot].interfaceIndex;
            sub.viaTempAddress = true;
            continue;  // the version keeps what an earlier search found
        }
        m_slots[slot] = m_search.Find(UnitOfSlot(slot));
        if (m_slots[slot].unitAddress == Ipv4{}) {
            OfferRetry(slot == kSubSlot);
            m_window->UpdateNow();
            return false;
        }
    }
    return true;
}

void CRLQUpdaterView::ShowVersions() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::uint16_t carried = m_document.GetImageVersion(slot);
        m_window->SetControlText(kVersionControl[slot],
                                 VersionChangeText(m_slots[slot].version, carried));
        m_events.sequence.Tell(&SequenceObserver::VersionShown, UnitOfSlot(slot),
                               m_slots[slot].version, carried);
    }
}

void CRLQUpdaterView::UpdateSlots() {
    auto reply = m_makeReply();
    UpdateResult result = UpdateResult::Failed;
    bool tempHeld = false;
    bool allUpdated = true;
    for (int slot : {kSubSlot, kMainSlot}) {
        m_nSlot = slot;
        const UnitSlot& unit = m_slots[slot];
        const bool special = m_bSpecialMode == 1 && slot == kSubSlot;
        if (unit.viaTempAddress || special) {
            std::int32_t failed = 1;
            reply->AddTempAddress(unit.interfaceIndex, failed);
            if (failed != 0) {
                ShowMessage(msg::kUpdateFailedText, msg::kUpdateFailedCaption);
                // Ends like any failed update: the window stays open with the retry offered,
                // instead of closing or leaving the user without a button.
                result = UpdateResult::Failed;
                OfferRetry(false);
                allUpdated = false;
                break;
            }
            tempHeld = true;
        }
        const Ipv4 address = special ? kSpecialModeSubAddress : unit.unitAddress;
        m_strIpAddress = FormatIpv4(address);
        UpdateData();
        m_events.sequence.Tell(&SequenceObserver::UnitAddressShown, UnitOfSlot(slot), address);
        m_window->UpdateNow();
        PumpMessages();
        m_document.UpdateFirmware(address, slot, unit.version, m_bSpecialMode, result);
        if (result != UpdateResult::Updated) {
            m_window->UpdateNow();
            OfferRetry(result == UpdateResult::ResetTftpFailed);
            allUpdated = false;
            break;
        }
        if (tempHeld) {
            reply->DeleteTempAddress();
            tempHeld = false;
        }
    }
    if (allUpdated) {
        m_outcome = SequenceOutcome::Done;
        ShowMessage(msg::kUpdateCompleteText, msg::kUpdateCompleteCaption);
    }
    if (tempHeld) {
        reply->DeleteTempAddress();
    }
    if (result == UpdateResult::Updated) {
        if (platform::Window* main = m_ui.MainWindow()) {
            main->PostCloseRequest();
        }
    }
    m_window->UpdateNow();
}

// Ends a check run once both versions are shown; the window closes as after a finished update.
void CRLQUpdaterView::EndCheck() {
    m_outcome = SequenceOutcome::Done;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (!IsCurrent(slot)) {
            m_outcome = SequenceOutcome::UpdateNeeded;
        }
        m_events.sequence.Tell(&SequenceObserver::UnitChecked, UnitOfSlot(slot),
                               m_slots[slot].unitAddress, m_slots[slot].version,
                               CarriedVersion(slot), IsCurrent(slot));
    }
    if (platform::Window* main = m_ui.MainWindow()) {
        main->PostCloseRequest();
    }
    m_window->UpdateNow();
}

}  // namespace rlq
