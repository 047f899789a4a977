#pragma once
// The program put together from one platform's services: the document with its transfer
// procedures, the search dialog and the reply listener. Every front end builds one.

#include <string>

#include "app/application.h"
#include "platform/embedded_data.h"
#include "platform/host_network.h"
#include "platform/http_layer.h"
#include "platform/process.h"
#include "platform/temp_file.h"
#include "platform/udp_socket.h"
#include "platform/ui.h"
#include "workflow/search_dialog.h"

namespace rlq {

class CRLQUpdaterDoc;

// Told what the start set right before the first search.
class StartObserver {
  public:
    virtual ~StartObserver() = default;
    // A temporary address that a killed run had left on `interfaceName` was removed.
    virtual void LeftoverAddressRemoved(const std::string& interfaceName) = 0;
};

// What the console front end asks of a run; the desktop programs take the defaults.
struct ProgramOptions {
    bool startInSpecialMode = false;
    bool checkOnly = false;
    SearchObserver* searchObserver = nullptr;
    StartObserver* startObserver = nullptr;
};

struct PlatformServices {
    platform::Toolkit& ui;
    platform::ProcessEnvironment& process;
    platform::HostNetwork& host;
    platform::UdpSocketFactory& sockets;
    platform::HttpLayer& http;
    platform::TempFiles& tempFiles;
    const platform::DataItemSource& dataItems;  // the carried images and the size text
};

class Program {
  public:
    explicit Program(PlatformServices services, ProgramOptions options = {});
    CRLQUpdaterApp& App() { return m_app; }

  private:
    // What a killed run left: once the single instance is held nothing else can own it.
    void RemoveLeftovers(CRLQUpdaterDoc& document);

    PlatformServices m_services;
    StartObserver* m_startObserver;
    DialogUnitSearch m_search;
    CRLQUpdaterApp m_app;
};

}  // namespace rlq
