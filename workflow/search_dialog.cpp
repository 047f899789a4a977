#include "workflow/search_dialog.h"

#include <chrono>
#include <optional>

#include "resources/dialog_layouts.h"
#include "resources/message_catalogue.h"
#include "resources/resource_ids.h"
#include "workflow/cause_texts.h"
#include "workflow/search_diagnosis.h"
#include "workflow/search_probing.h"

namespace rlq {
namespace {

constexpr int kTickTimerId = 1;
constexpr std::chrono::milliseconds kTickPeriod{250};
constexpr std::int16_t kTicksPerAdapter = 28;  // 7 s

// Texts by search kind: line 2 while searching, then the not-found lines 1 and 3 and title.
struct KindTexts {
    std::int32_t kind;
    int searching, notFoundLine1, notFoundLine3, notFoundTitle;
};
constexpr KindTexts kKindTexts[] = {
    {SEARCH_BASE, msg::kSearchingBase, msg::kBaseNotFoundCheckLan, msg::kConnectBaseThenRetry,
     msg::kBaseNotFound},
    {SEARCH_CHILD, msg::kSearchingChild, msg::kChildNotFoundCheck, msg::kConnectChildThenRetry,
     msg::kChildNotFound},
    {SEARCH_MAIN, msg::kSearchingMain, msg::kMainNotFoundCheckLan, msg::kConnectMainThenRetry,
     msg::kMainNotFound},
    {SEARCH_BASE | SEARCH_MAIN, msg::kSearchingBaseOrMain, msg::kBaseOrMainNotFoundCheckLan,
     msg::kConnectBaseOrMainThenRetry, msg::kBaseOrMainNotFound},
    {SEARCH_SUB, msg::kSearchingSub, msg::kSubNotFoundCheckLan, msg::kConnectMainThenRetrySub,
     msg::kSubNotFound},
};

const KindTexts* TextsFor(std::int32_t kind) {
    for (const KindTexts& texts : kKindTexts) {
        if (texts.kind == kind) {
            return &texts;
        }
    }
    return nullptr;
}

std::string Text(const KindTexts* texts, int KindTexts::*field) {
    return texts ? std::string(LoadMessage(texts->*field)) : std::string{};
}

}  // namespace

CDlgProg::CDlgProg(std::int32_t kind, platform::HostNetwork& host,
                   platform::UdpSocketFactory& sockets, WorkflowListeners events)
    : m_events(events.sequence),
      m_strLine2(Text(TextsFor(kind), &KindTexts::searching)),
      m_strLine3(LoadMessage(msg::kPleaseWait)),
      m_pAdapters(std::make_unique<CAdapterList>(host)),
      m_pReply(std::make_unique<CReply>(host, sockets, events.net)),
      m_nKind(kind) {}

CDlgProg::~CDlgProg() {
    m_pReply.reset();  // waits for the discovery thread, which reads the adapter entries
    m_pAdapters.reset();
}

void CDlgProg::OnCreate(platform::Window& window) {
    m_window = &window;
    {
        std::lock_guard lock(m_postLock);
        m_postTarget = &window;
    }
    UpdateData();
    m_events.Tell(&SequenceObserver::SearchShown, Texts({}, {}));
    OnInitDialog();
}

void CDlgProg::OnDestroy() {
    std::lock_guard lock(m_postLock);
    m_postTarget = nullptr;
}

void CDlgProg::UpdateData() {
    m_window->SetControlText(res::kSearchLine1, m_strLine1);
    m_window->SetControlText(res::kSearchLine2, m_strLine2);
    m_window->SetControlText(res::kSearchLine3, m_strLine3);
}

SearchTexts CDlgProg::Texts(std::string title, std::string button) const {
    return {std::move(title), {m_strLine1, m_strLine2, m_strLine3}, std::move(button)};
}

void CDlgProg::OnInitDialog() {
    m_pAdapters->Enumerate(m_nAdapterCount, m_pAdapterEntries);
    m_events.Tell(&SequenceObserver::AdaptersSeen, m_pAdapters->Report());
    if (m_nAdapterCount > 0) {
        m_nTickLimit = static_cast<std::int16_t>(m_nAdapterCount * kTicksPerAdapter);
    }
    if (m_nKind == SEARCH_BASE || m_nKind == SEARCH_MAIN) {
        m_nTickLimit = static_cast<std::int16_t>(m_nTickLimit * 2);
    }
    m_window->SetProgressRange(res::kSearchProgress, 0, static_cast<std::uint16_t>(m_nTickLimit));
    m_window->SetProgressStep(res::kSearchProgress, 1);
    m_window->StartTimer(kTickTimerId, kTickPeriod);
    m_nTimer = kTickTimerId;
    // A find, or what the search reports, wakes the dialog at once instead of waiting for the
    // next tick.
    const auto wake = [this] { PostWhileOpen([this] { OnFindPosted(); }); };
    m_pReply->SetFindNotifier(wake);
    m_pReply->SetEventNotifier(wake);
    m_pReply->SetEndNotifier([this] {
        PostWhileOpen([this] {
            m_listenerEnded = true;
            ShowCauseIfKnown();
        });
    });
    m_pReply->Start(m_nKind, 0, m_nAdapterCount, m_pAdapterEntries);
}

void CDlgProg::PostWhileOpen(std::function<void()> task) {
    std::lock_guard lock(m_postLock);
    if (m_postTarget) {
        m_postTarget->Post(std::move(task));
    }
}

void CDlgProg::ShowCause(const SearchDiagnosis& diagnosis) {
    if (diagnosis.cause == NotFoundCause::NoReply) {
        return;
    }
    const CauseTexts texts = TextsForCause(diagnosis);
    m_window->ShowWrappedText(res::kSearchCause, texts.seen + "\n" + texts.hint);
}

void CDlgProg::LooksEnded() {
    PostWhileOpen([this] {
        m_looksEnded = true;
        ShowCauseIfKnown();
    });
}

void CDlgProg::ShowCauseIfKnown() {
    if (m_diagnose && GivenUp() && m_listenerEnded && m_looksEnded && !m_shownCause) {
        m_shownCause = m_diagnose();
        ShowCause(*m_shownCause);
    }
}

void CDlgProg::KillTimerIfRunning() {
    if (m_nTimer != 0) {
        m_window->KillTimer(m_nTimer);
        m_nTimer = 0;
    }
}

bool CDlgProg::TakeFind() {
    const ReplyResult found = m_pReply->GetResult();
    if (found.localAddress == Ipv4{}) {
        return false;
    }
    m_result.localAddress = found.localAddress;
    m_result.unitAddress = found.deviceAddress;
    m_result.interfaceIndex = found.interfaceIndex;
    m_result.viaTempAddress = found.viaTempAddress;
    m_result.version = found.firmwareVersion;
    KillTimerIfRunning();
    // Closes through StopSearch once this handler has returned, like the posted Esc key.
    m_window->Post([this] { OnCancel(); });
    return true;
}

void CDlgProg::OnFindPosted() {
    std::lock_guard lock(m_lock);
    m_pReply->DeliverEvents();
    if (m_nTimer != 0) {  // only while searching: the find is taken at most once
        TakeFind();
    }
}

void CDlgProg::OnTimer(int /*timerId*/) {
    std::lock_guard lock(m_lock);
    m_pReply->DeliverEvents();
    if (TakeFind()) {
        return;
    }
    m_window->StepProgress(res::kSearchProgress);
    ++m_nTicks;
    if (GivenUp()) {
        KillTimerIfRunning();
        m_strLine2 = LoadMessage(msg::kPressButtonToReturn);
        const std::string button(LoadMessage(msg::kBack));
        m_window->SetControlText(res::kSearchCancelButton, button);
        const KindTexts* texts = TextsFor(m_nKind);
        m_strLine1 = Text(texts, &KindTexts::notFoundLine1);
        m_strLine3 = Text(texts, &KindTexts::notFoundLine3);
        const std::string title = Text(texts, &KindTexts::notFoundTitle);
        m_window->SetTitle(title);
        UpdateData();
        m_events.Tell(&SequenceObserver::SearchGivenUp, Texts(title, button));
        ShowCauseIfKnown();
    }
}

void CDlgProg::OnCommand(int id) {
    if (id == res::kSearchCancelButton) {
        StopSearch();
    }
}

void CDlgProg::StopSearch() {
    {
        std::lock_guard lock(m_lock);
        KillTimerIfRunning();
        m_pReply->Stop();
        m_pReply->DeliverEvents();
    }
    m_window->EndModal(platform::kCancelCode);
}

UnitSlot DialogUnitSearch::Find(Unit unit) {
    const std::int32_t kind = unit == Unit::Main ? SEARCH_MAIN : SEARCH_SUB;
    m_events.sequence.Tell(&SequenceObserver::SearchStarted, unit);
    SearchProbing probing(m_probes);
    // A silent sub unit is told apart by where the main unit was last found.
    SearchSeen seen{
        kind, unit == Unit::Main ? Ipv4{} : m_mainUnit, m_process.MayChangeAddresses(), {}, {}};
    // The looks start when the search gives up, while its dialog waits for the user.
    struct GiveUpWatch final : SequenceObserver {
        void SearchGivenUp(const SearchTexts&) override { then(); }
        std::function<void()> then;
    } giveUp;
    SequenceListeners watched = m_events.sequence;
    watched.Add(giveUp);
    UnitSlot found;
    std::optional<SearchDiagnosis> shown;  // the dialog's cause, which the report then names
    {
        // The dialog, with its listener and any temporary address, is gone before the report.
        CDlgProg dialog(kind, m_host, m_sockets, {m_events.net, m_events.transfer, watched});
        const auto see = [&] {
            seen.adapters = dialog.Adapters();
            seen.passes = dialog.Passes();
        };
        giveUp.then = [&] { probing.Start([&] { dialog.LooksEnded(); }); };
        dialog.ShowCauseOnceKnown([&] {
            see();
            return Diagnose(seen, probing.Answers());
        });
        m_ui.RunModal(res::SearchLayout(), dialog);
        probing.StopNotifying();
        found = dialog.GetResult();
        shown = dialog.ShownCause();
        if (!shown) {
            see();
        }
    }
    if (unit == Unit::Main) {
        m_mainUnit = found.unitAddress;
    }
    // A search the user cancelled has no cause to name.
    if (found.unitAddress == Ipv4{} && probing.Started()) {
        m_events.sequence.Tell(&SequenceObserver::SearchDiagnosed, unit,
                               shown ? *shown : Diagnose(seen, probing.Answers()));
    }
    m_events.sequence.Tell(&SequenceObserver::SearchEnded, unit, found.unitAddress, found.version,
                           found.viaTempAddress);
    return found;
}

}  // namespace rlq
