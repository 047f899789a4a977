// rlq-updater-cli: the updater's workflow on the console. Options and exit statuses: options.cpp
// (--help) and exit_status.h.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "app/exit_status.h"
#include "app/program.h"
#include "firmware/document.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "frontends/cli/console_presenter.h"
#include "frontends/cli/console_user.h"
#include "frontends/cli/history_printer.h"
#include "frontends/cli/history_reader.h"
#include "frontends/cli/json_presenter.h"
#include "frontends/cli/options.h"
#include "platform/embedded_data.h"
#include "platform/headless/headless_toolkit.h"
#include "platform/host_network.h"
#include "platform/http_layer.h"
#include "platform/linux/termination_signals.h"
#include "platform/process.h"
#include "platform/record_folder.h"
#include "platform/search_probes.h"
#include "platform/udp_socket.h"
#include "resources/message_catalogue.h"
#include "resources/resource_ids.h"
#include "resources/version_info.h"

namespace {

using namespace rlq;
using namespace rlq::cli;

constexpr char kProgramName[] = "rlq-updater-cli";

// The log's echo writes past stdio: a writer stalled on a full pipe must hold no stream's lock
// that the program's end takes.
void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

// After a failed run on a terminal: the user's choice, as a press of the button it names.
int AskForButton(bool specialOffered) {
    const std::string_view question =
        LoadMessage(specialOffered ? msg::kConsoleAskRetryOrSpecial : msg::kConsoleAskRetry);
    std::fwrite(question.data(), 1, question.size(), stdout);
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
// Says on stderr who holds the single-instance name; the desktop programs only log it.
class HeldNameNotice final : public ProgramObserver {
  public:
    void InstanceNameHeld(std::string_view name, const platform::ProcessIdentity& holder) override {
        std::fprintf(stderr, "%s: %s\n", kProgramName,
                     FillMessage(msg::kConsoleInstanceHeld, {ProcessText(holder), name}).c_str());
    }
};

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
    auto& records = platform::SystemRecordFolder();
    if (options.history) {
        return PrintHistory(ReadHistory(records), options.json, kProgramName);
    }
    // Before any thread starts (the log's writers): each inherits the blocked signals, so that
    // only the clean-up's own thread takes them.
    platform::ExitCleanup cleanup;
    platform::RunCleanupOnTerminationSignals(cleanup);
    std::unique_ptr<Presenter> presenter;
    if (options.json) {
        presenter = std::make_unique<JsonPresenter>(stdout);
    } else {
        presenter = std::make_unique<ConsolePresenter>(stdout, ::isatty(STDOUT_FILENO));
    }
    auto& process = platform::SystemProcess();
    platform::CleanupTrackingHostNetwork host(platform::SystemHostNetwork(), cleanup);
    platform::CleanupTrackingTempFiles tempFiles(platform::SystemTempFiles(), cleanup);
    platform::HeadlessToolkit ui(platform::TimeMode::Real);
    // A check never asks, and JSON lines leave no room for a question.
    const bool interactive =
        !options.check && !options.json && ::isatty(STDOUT_FILENO) && ::isatty(STDIN_FILENO);
    cli::ConsoleUser user(
        ui, [interactive](bool special) { return interactive ? AskForButton(special) : 0; });
    HeldNameNotice heldName;
    RunListeners events;
    events.Add(*presenter);
    events.Add(user);
    events.Add(heldName);

    RecordedRunOptions run;
    run.startInSpecialMode = options.specialMode;
    run.checkOnly = options.check;
    run.listeners = &events;
    // The log and the history tell on stderr, once each, when they cannot be written.
    run.onLogFailure = [](const std::string& why) {
        std::fprintf(stderr, "%s: %s (%s)\n", kProgramName, LoadMessage(msg::kConsoleNoLog).data(),
                     why.c_str());
    };
    run.onHistoryFailure = [](const std::string& why) {
        std::fprintf(stderr, "%s: %s (%s)\n", kProgramName,
                     LoadMessage(msg::kConsoleNoHistory).data(), why.c_str());
    };
    if (options.verbose) {
        run.echo = [](const std::string& line) { WriteAll(STDERR_FILENO, line); };
    }
    run.mayStart = [&process] {
        if (process.MayChangeAddresses()) {
            return true;
        }
        std::fprintf(stderr, "%s\n", LoadMessage(msg::kConsoleNoRights).data());
        return false;
    };
    return Program::RunRecorded(
               {ui, process, host, platform::SystemUdpSockets(), platform::SystemSearchProbes(),
                platform::SystemHttpLayer(), tempFiles, platform::ProgramDataItems()},
               records, run)
        .recorded.status;
}
