#pragma once
// The program put together from one platform's services: the document with its transfer
// procedures, the search dialog and the reply listener. Every front end builds one.

#include <functional>

#include "app/application.h"
#include "app/exit_status.h"
#include "app/log_file.h"
#include "app/run_listeners.h"
#include "platform/embedded_data.h"
#include "platform/host_network.h"
#include "platform/http_layer.h"
#include "platform/process.h"
#include "platform/record_folder.h"
#include "platform/search_probes.h"
#include "platform/temp_file.h"
#include "platform/udp_socket.h"
#include "platform/ui.h"
#include "workflow/search_dialog.h"

namespace rlq {

class CRLQUpdaterDoc;
class RunListeners;

// What a front end asks of a run; the desktop programs take the defaults but for the events.
struct ProgramOptions {
    bool startInSpecialMode = false;
    bool checkOnly = false;
    const RunListeners* events = nullptr;       // who hears the run
    platform::RecordFolder* records = nullptr;  // where the run's records are kept, if anywhere
};

struct PlatformServices {
    platform::Toolkit& ui;
    platform::ProcessEnvironment& process;
    platform::HostNetwork& host;
    platform::UdpSocketFactory& sockets;
    platform::SearchProbes& probes;  // for naming why a search found nothing
    platform::HttpLayer& http;
    platform::TempFiles& tempFiles;
    const platform::DataItemSource& dataItems;  // the carried images and the size text
};

// What a front end adds to a recorded run: its own listeners, told before the records, and what
// it does with the records' failures and the log's lines.
struct RecordedRunOptions {
    bool startInSpecialMode = false;
    bool checkOnly = false;
    RunListeners* listeners = nullptr;
    RecordFailure onLogFailure = [](const std::string&) {};
    RecordFailure onHistoryFailure = [](const std::string&) {};
    LogEcho echo;
    // False: the run ends at once as not started, and is recorded so (no rights, say).
    std::function<bool()> mayStart = [] { return true; };
};

struct RecordedRunEnd {
    int processStatus;  // what the program itself returns
    ExitFor recorded;   // what the run's records and listeners were told
};

class Program {
  public:
    explicit Program(PlatformServices services, ProgramOptions options = {});
    CRLQUpdaterApp& App() { return m_app; }

    // A front end's whole run, which leaves its log and history entry in `records`; the windows'
    // texts say nothing of them.
    static RecordedRunEnd RunRecorded(PlatformServices services, platform::RecordFolder& records,
                                      const RecordedRunOptions& options = {});

  private:
    // What a killed run left: once the single instance is held nothing else can own it.
    void RemoveLeftovers();

    PlatformServices m_services;
    const RunListeners& m_events;
    CRLQUpdaterDoc* m_document = nullptr;
    DialogUnitSearch m_search;
    CRLQUpdaterApp m_app;
};

}  // namespace rlq
