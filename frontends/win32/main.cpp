// RLQ610ATotalUpdater.exe: the updater on Windows, with the Win32 backends.

#include <windows.h>
#include <commctrl.h>

#include "app/application.h"
#include "firmware/document.h"
#include "net/reply.h"
#include "platform/embedded_data.h"
#include "platform/host_network.h"
#include "platform/http_layer.h"
#include "platform/process.h"
#include "platform/temp_file.h"
#include "platform/udp_socket.h"
#include "platform/win32/win32_toolkit.h"
#include "workflow/search_dialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace rlq;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    auto& process = platform::SystemProcess();
    auto& host = platform::SystemHostNetwork();
    auto& sockets = platform::SystemUdpSockets();
    platform::win32::Win32Toolkit ui;
    DialogUnitSearch search(ui, host, sockets);
    AppParts parts{ui,
                   process,
                   [&] {
                       return std::make_unique<CRLQUpdaterDoc>(
                           platform::ProgramDataItems(),
                           TransferServices{&ui, &process, &platform::SystemHttpLayer(), &sockets,
                                            &platform::SystemTempFiles()});
                   },
                   search,
                   [&] { return std::make_unique<CReply>(host, sockets); }};
    CRLQUpdaterApp app(std::move(parts));
    return app.Run();
}
