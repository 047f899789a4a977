// RLQ610ATotalUpdater.exe: the updater on Windows, with the Win32 backends.

#include <windows.h>

#include <commctrl.h>

#include "app/program.h"
#include "platform/embedded_data.h"
#include "platform/host_network.h"
#include "platform/http_layer.h"
#include "platform/process.h"
#include "platform/record_folder.h"
#include "platform/search_probes.h"
#include "platform/temp_file.h"
#include "platform/udp_socket.h"
#include "platform/win32/win32_toolkit.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    namespace platform = rlq::platform;
    platform::win32::Win32Toolkit ui;
    return rlq::Program::RunRecorded({ui, platform::SystemProcess(), platform::SystemHostNetwork(),
                                      platform::SystemUdpSockets(), platform::SystemSearchProbes(),
                                      platform::SystemHttpLayer(), platform::SystemTempFiles(),
                                      platform::ProgramDataItems()},
                                     platform::SystemRecordFolder())
        .processStatus;
}
