#include "app/program.h"

#include <chrono>

#include "app/exit_status.h"
#include "app/run_history.h"
#include "app/run_log.h"
#include "common/temp_address.h"
#include "firmware/document.h"
#include "net/reply.h"

namespace rlq {

Program::Program(PlatformServices services, ProgramOptions options)
    : m_services(services),
      m_events(options.events != nullptr ? *options.events : NoRunListeners()),
      m_search(services.ui, services.host, services.sockets, services.probes, services.process,
               m_events.Workflow()),
      m_app(AppParts{
          services.ui, services.process,
          [this] {
              auto document = std::make_unique<CRLQUpdaterDoc>(
                  m_services.dataItems,
                  TransferServices{m_services.ui, m_services.process, m_services.http,
                                   m_services.sockets, m_services.tempFiles, m_events, m_events});
              m_document = document.get();
              return document;
          },
          m_search,
          [this] {
              return std::make_unique<CReply>(m_services.host, m_services.sockets, m_events);
          },
          m_events, [this] { RemoveLeftovers(); }, options.startInSpecialMode, options.checkOnly,
          [records = options.records] { return records != nullptr && records->Show(); },
          options.records != nullptr ? options.records->Path() : std::string{}}) {}

RecordedRunEnd Program::RunRecorded(PlatformServices services, platform::RecordFolder& records,
                                    const RecordedRunOptions& options) {
    const auto start = std::chrono::system_clock::now();
    RunLog log(records, start, options.onLogFailure, options.echo);
    RunHistory history(records, start, options.onHistoryFailure);
    RunListeners none;
    RunListeners& events = options.listeners != nullptr ? *options.listeners : none;
    events.Add(log);
    events.Add(history);
    const auto end = [&events](int processStatus, ExitFor recorded) {
        events.Tell(&ProgramObserver::ProgramEnded, recorded.status, recorded.outcome);
        return RecordedRunEnd{processStatus, recorded};
    };
    if (!options.mayStart()) {
        return end(kNotStarted.status, kNotStarted);
    }
    Program program(services, {options.startInSpecialMode, options.checkOnly, &events, &records});
    const int status = program.App().Run();
    const CRLQUpdaterView* view = program.App().View();
    return end(status,
               view != nullptr ? ExitForOutcome(view->Outcome(), options.checkOnly) : kNotStarted);
}

void Program::RemoveLeftovers() {
    for (const std::string& name :
         m_services.host.RemoveLeftoverAddresses(kTempAddress, kTempMask)) {
        m_events.Tell(&ProgramObserver::LeftoverAddressRemoved, name);
    }
    m_document->RemoveLeftoverTempFiles();
}

}  // namespace rlq
