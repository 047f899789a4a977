#pragma once
// The modal dialog that finds one unit: it lists the adapters, runs the reply listener on them
// and watches it from a 250 ms timer while the bar fills, until a find, the end of the budget
// (then it tells the user and waits for the button) or a cancel.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/adapter_list.h"
#include "net/reply.h"
#include "platform/process.h"
#include "platform/search_probes.h"
#include "platform/ui.h"
#include "workflow/sequence_events.h"
#include "workflow/unit_search.h"
#include "workflow/unit_slot.h"

namespace rlq {

class CDlgProg final : public platform::WindowHandler {
  public:
    CDlgProg(std::int32_t kind, platform::HostNetwork& host, platform::UdpSocketFactory& sockets,
             WorkflowListeners events = {});
    ~CDlgProg() override;
    CDlgProg(const CDlgProg&) = delete;
    CDlgProg& operator=(const CDlgProg&) = delete;

    void OnCreate(platform::Window& window) override;
    void OnDestroy() override;
    void OnTimer(int timerId) override;
    void OnCommand(int id) override;
    void OnCancel() override { StopSearch(); }
    // Enter ends the search through the same path as Esc, so the listener is stopped first.
    void OnOk() override { StopSearch(); }

    void StopSearch();
    // Runs `task` on the window's thread while the window is open; callable from any thread. A
    // task posted once the window has gone is dropped.
    void PostWhileOpen(std::function<void()> task);
    // Once the search has given up: below its three lines, why it found nothing and what to do,
    // unless nothing more is known than that nothing answered.
    void ShowCause(const SearchDiagnosis& diagnosis);
    // Shows the cause `diagnose` gives, on the window's thread, once the search has given up,
    // its listener has ended by itself and LooksEnded has come, unless the user left first.
    void ShowCauseOnceKnown(std::function<SearchDiagnosis()> diagnose) {
        m_diagnose = std::move(diagnose);
    }
    void LooksEnded();  // from any thread
    const std::optional<SearchDiagnosis>& ShownCause() const { return m_shownCause; }
    UnitSlot GetResult() const { return m_result; }
    // What the search saw, once it has ended.
    const std::vector<AdapterReport>& Adapters() const { return m_pAdapters->Report(); }
    std::vector<PassRecord> Passes() const { return m_pReply->Passes(); }

  private:
    void OnInitDialog();
    void UpdateData();
    SearchTexts Texts(std::string title, std::string button) const;
    bool TakeFind();  // the tick's find branch; true when a find was taken
    void KillTimerIfRunning();
    void OnFindPosted();
    void ShowCauseIfKnown();
    bool GivenUp() const { return m_nTicks >= m_nTickLimit; }

    const SequenceListeners& m_events;
    std::mutex m_lock;  // serialises the tick and StopSearch, as the semaphore of one
    platform::Window* m_window = nullptr;
    std::string m_strLine1, m_strLine2, m_strLine3;
    std::unique_ptr<CAdapterList> m_pAdapters;
    std::unique_ptr<CReply> m_pReply;
    UnitSlot m_result{};
    int m_nTimer = 0;
    std::int32_t m_nTicks = 0;
    std::int32_t m_nKind;
    std::int16_t m_nTickLimit = 28;
    std::int32_t m_nAdapterCount = 0;
    const AdapterEntry* m_pAdapterEntries = nullptr;

    // The cause of a search that gave up, on the window's thread.
    std::function<SearchDiagnosis()> m_diagnose;
    bool m_listenerEnded = false, m_looksEnded = false;
    std::optional<SearchDiagnosis> m_shownCause;

    // Posts from other threads (the listener's wake-ups, the looks' end) go here; cleared when
    // the window goes.
    std::mutex m_postLock;
    platform::Window* m_postTarget = nullptr;
};

// The search as the update view runs it: one modal CDlgProg per call.
class DialogUnitSearch final : public UnitSearch {
  public:
    // A search that gives up is followed by its diagnosis, from what it saw and from `probes`.
    DialogUnitSearch(platform::Toolkit& ui, platform::HostNetwork& host,
                     platform::UdpSocketFactory& sockets, platform::SearchProbes& probes,
                     const platform::ProcessEnvironment& process, WorkflowListeners events = {})
        : m_ui(ui),
          m_host(host),
          m_sockets(sockets),
          m_probes(probes),
          m_process(process),
          m_events(events) {}
    UnitSlot Find(Unit unit) override;

  private:
    platform::Toolkit& m_ui;
    platform::HostNetwork& m_host;
    platform::UdpSocketFactory& m_sockets;
    platform::SearchProbes& m_probes;
    const platform::ProcessEnvironment& m_process;
    WorkflowListeners m_events;
    Ipv4 m_mainUnit;  // where the main unit was last found, for a silent sub unit
};

}  // namespace rlq
