// rlq-updater: the updater's desktop program on Qt 6 Widgets. The window runs the update by
// itself from its first paint and closes itself (exit status 0) once both units are current.
// The program stays unprivileged: when it may not change addresses itself, rlq-net-helper adds
// and removes the temporary address for it.

#include <QApplication>
#include <filesystem>
#include <memory>

#include "app/program.h"
#include "frontends/qt/authorising_process.h"
#include "platform/embedded_data.h"
#include "platform/host_network.h"
#include "platform/http_layer.h"
#include "platform/linux/helper_host_network.h"
#include "platform/linux/termination_signals.h"
#include "platform/process.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/record_folder.h"
#include "platform/search_probes.h"
#include "platform/temp_file.h"
#include "platform/udp_socket.h"
#include "resources/message_catalogue.h"

namespace {

using namespace rlq;

constexpr char kInstalledHelper[] = RLQ_NET_HELPER_PATH;
constexpr char kHelperName[] = "rlq-net-helper";

// A helper beside the program (a build tree) comes first, then the installed one.
std::string HelperPath(platform::ProcessEnvironment& process) {
    if (const auto self = process.ProgramPath()) {
        const auto beside = std::filesystem::path(*self).parent_path() / kHelperName;
        std::error_code ignored;
        if (std::filesystem::exists(beside, ignored)) {
            return beside.string();
        }
    }
    return kInstalledHelper;
}

bool StartHelper(platform::HelperHostNetwork& helper, platform::Toolkit& ui) {
    const platform::HelperStart start = helper.Start();
    if (start == platform::HelperStart::Running) {
        return true;
    }
    const bool refused =
        start == platform::HelperStart::Dismissed || start == platform::HelperStart::NotAuthorised;
    ui.ShowMessage(LoadMessage(refused ? msg::kAddressRightsRefused : msg::kAddressHelperFailed),
                   LoadMessage(msg::kApplicationName), platform::MessageIcon::Exclamation);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread starts (Qt's own included), so that all of them leave the termination
    // signals to the cleanup thread.
    platform::ExitCleanup cleanup;
    platform::RunCleanupOnTerminationSignals(cleanup);
    QApplication application(argc, argv);

    auto& process = platform::SystemProcess();
    std::unique_ptr<platform::HelperHostNetwork> helper;
    platform::HostNetwork* addressing = &platform::SystemHostNetwork();
    if (!process.MayChangeAddresses()) {
        helper = std::make_unique<platform::HelperHostNetwork>(
            platform::SystemHostNetwork(), platform::AddressHelperCommand(HelperPath(process)));
        addressing = helper.get();
    }
    platform::qt::QtToolkit ui;
    qt_frontend::AuthorisingProcess authorising(
        process, [&] { return !helper || StartHelper(*helper, ui); });

    platform::CleanupTrackingHostNetwork host(*addressing, cleanup);
    platform::CleanupTrackingTempFiles tempFiles(platform::SystemTempFiles(), cleanup);
    auto& sockets = platform::SystemUdpSockets();
    return Program::RunRecorded(
               {ui, authorising, host, sockets, platform::SystemSearchProbes(),
                platform::SystemHttpLayer(), tempFiles, platform::ProgramDataItems()},
               platform::SystemRecordFolder())
        .processStatus;
}
