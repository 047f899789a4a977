#include "app/application.h"

#include "resources/dialog_layouts.h"
#include "resources/main_window_resources.h"
#include "resources/message_catalogue.h"
#include "resources/version_info.h"

namespace rlq {
namespace {
constexpr char kInstanceName[] = "RLQUpdater";
constexpr int kNotStartedStatus = 1;  // another copy runs, or start-up failed
}  // namespace

bool CRLQUpdaterApp::InitInstance() {
    m_hMutex = m_parts.process.ClaimSingleInstance(kInstanceName);
    if (!m_hMutex) {
        // Another copy runs: end silently, but say in the records who holds the name.
        if (const auto holder = m_parts.process.SingleInstanceHolder(kInstanceName)) {
            m_parts.events.Tell(&ProgramObserver::InstanceNameHeld, std::string_view(kInstanceName),
                                *holder);
        }
        return false;
    }
    if (!m_parts.process.StartSockets()) {
        const std::string_view caption = LoadMessage(msg::kApplicationName);
        m_parts.events.Tell(&TransferObserver::MessageShown, msg::kSocketsInitFailed, caption,
                            LoadMessage(msg::kSocketsInitFailed));
        m_parts.ui.ShowMessage(LoadMessage(msg::kSocketsInitFailed), caption,
                               platform::MessageIcon::Exclamation);
        return false;
    }
    m_document = m_parts.createDocument();
    m_view = std::make_unique<CRLQUpdaterView>(m_parts.ui, *m_document, m_parts.search,
                                               m_parts.makeReply, m_parts.events.Workflow());
    m_frame = std::make_unique<CMainFrame>(
        m_parts.ui, *m_view, [this] { OnAppAbout(); }, [this] { OnShowRecords(); });
    const platform::MainWindowLayout layout{DocumentStringField(0), res::FormLayout(),
                                            res::MainMenu(), res::MainAccelerators(),
                                            res::kProgramIcon};
    m_parts.ui.CreateMainWindow(layout, *m_frame, *m_view);
    m_view->OnInitialUpdate();
    if (m_parts.startInSpecialMode) {
        m_view->StartInSpecialMode();
    }
    if (m_parts.checkOnly) {
        m_view->StartInCheckMode();
    }
    m_parts.events.Tell(&ProgramObserver::RunStarted,
                        RunStart{res::version::FileVersionText(),
                                 {m_document->GetImageVersion(0), m_document->GetImageVersion(1)},
                                 m_parts.checkOnly            ? RunMode::Check
                                 : m_parts.startInSpecialMode ? RunMode::SpecialMode
                                                              : RunMode::Update,
                                 m_document->GetInfoText(),
                                 std::string(DocumentStringField(0))});
    m_parts.removeLeftovers();
    m_parts.ui.ShowMainWindow();
    return true;
}

int CRLQUpdaterApp::ExitInstance() {
    m_hMutex.reset();
    return 0;
}

int CRLQUpdaterApp::Run() {
    if (!InitInstance()) {
        m_hMutex.reset();
        return kNotStartedStatus;
    }
    m_parts.ui.RunMessageLoop();
    return ExitInstance();
}

void CRLQUpdaterApp::OnShowRecords() {
    if (!m_parts.showRecords || !m_parts.showRecords()) {
        m_parts.ui.ShowMessage(FillMessage(msg::kRecordFolderNotShown, {m_parts.recordFolderPath}),
                               LoadMessage(msg::kApplicationName),
                               platform::MessageIcon::Exclamation);
    }
}

void CRLQUpdaterApp::OnAppAbout() {
    CAboutDlg about;
    m_parts.ui.RunModal(res::AboutLayout(), about);
}

}  // namespace rlq
