// rlq-updater-cli: the updater's workflow on the console. Options and exit statuses: options.cpp
// (--help) and exit_status.h.

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "app/program.h"
#include "firmware/document.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "frontends/cli/console_presenter.h"
#include "frontends/cli/console_user.h"
#include "frontends/cli/exit_status.h"
#include "frontends/cli/json_presenter.h"
#include "frontends/cli/options.h"
#include "platform/embedded_data.h"
#include "platform/headless/headless_toolkit.h"
#include "platform/host_network.h"
#include "platform/http_layer.h"
#include "platform/linux/termination_signals.h"
#include "platform/process.h"
#include "platform/udp_socket.h"
#include "resources/resource_ids.h"
#include "resources/version_info.h"

namespace {

using namespace rlq;
using namespace rlq::cli;

constexpr char kProgramName[] = "rlq-updater-cli";
constexpr char kNoRightsText[] =
    "ネットワークアダプターのアドレスを変更する権限 (CAP_NET_ADMIN) がありません。"
    "root で実行してください。";

// After a failed run on a terminal: the user's choice, as a press of the button it names.
int AskForButton(bool specialOffered) {
    std::printf(
        "%s", specialOffered ? "r = 再試行, s = 特殊モード, q = 終了: " : "r = 再試行, q = 終了: ");
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        return 0;
    }
    if (answer == "r") {
        return res::kRetryButton;
    }
    if (answer == "s" && specialOffered) {
        return res::kSpecialModeButton;
    }
    return 0;
}

// The program's version and the versions of the images it carries, read from the images.
void PrintVersion() {
    const platform::DataItemSource& items = platform::ProgramDataItems();
    std::printf("%s %s\ncarried firmware: main unit %s, sub unit %s\n", kProgramName,
                res::version::FileVersionText().c_str(),
                FormatVersion(CarriedVersion(items, kMainSlot)).c_str(),
                FormatVersion(CarriedVersion(items, kSubSlot)).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseOptions({argv + 1, static_cast<std::size_t>(argc - 1)});
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s (try '%s --help')\n", kProgramName, parsed.error.c_str(),
                     kProgramName);
        return kExitUsage;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fwrite(HelpText().data(), 1, HelpText().size(), stdout);
        return kExitDone;
    }
    if (options.version) {
        PrintVersion();
        return kExitDone;
    }
    std::unique_ptr<Presenter> presenter;
    if (options.json) {
        presenter = std::make_unique<JsonPresenter>(stdout);
    } else {
        presenter = std::make_unique<ConsolePresenter>(stdout, ::isatty(STDOUT_FILENO));
    }
    auto& process = platform::SystemProcess();
    if (!process.MayChangeAddresses()) {
        std::fprintf(stderr, "%s\n", kNoRightsText);
        presenter->Finish(kNotStarted.status, kNotStarted.outcome);
        return kNotStarted.status;
    }

    platform::ExitCleanup cleanup;
    platform::RunCleanupOnTerminationSignals(cleanup);
    platform::CleanupTrackingHostNetwork host(platform::SystemHostNetwork(), cleanup);
    platform::CleanupTrackingTempFiles tempFiles(platform::SystemTempFiles(), cleanup);
    auto& sockets = platform::SystemUdpSockets();

    platform::HeadlessToolkit ui(platform::TimeMode::Real);
    // A check never asks, and JSON lines leave no room for a question.
    const bool interactive =
        !options.check && !options.json && ::isatty(STDOUT_FILENO) && ::isatty(STDIN_FILENO);
    cli::ConsoleUser user(
        ui, [interactive](bool special) { return interactive ? AskForButton(special) : 0; });
    RunEvents events;
    events.Add(*presenter);
    events.Add(user);

    Program program({ui, process, host, sockets, platform::SystemHttpLayer(), tempFiles,
                     platform::ProgramDataItems()},
                    {options.specialMode, options.check, &events});
    CRLQUpdaterApp& app = program.App();
    if (!app.InitInstance()) {
        presenter->Finish(kNotStarted.status, kNotStarted.outcome);
        return kNotStarted.status;
    }
    ui.RunMessageLoop();
    const CRLQUpdaterView& view = *app.View();
    const ExitFor exit = ExitForOutcome(view.Outcome(), options.check);
    const bool bothFound =
        view.Outcome() == SequenceOutcome::Done || view.Outcome() == SequenceOutcome::UpdateNeeded;
    if (options.check && bothFound) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            presenter->ShowChecked(slot, view.Slot(slot), view.CarriedVersion(slot),
                                   view.IsCurrent(slot));
        }
    }
    app.ExitInstance();
    presenter->Finish(exit.status, exit.outcome);
    return exit.status;
}
