// rlq-updater-cli: the updater's workflow on the console. Exit status: 0 both units updated or
// already current, 1 the run ended with the retry offered, 2 with the special mode offered too.
//   rlq-updater-cli [--special-mode]

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "app/program.h"
#include "app/resources/resource_ids.h"
#include "frontends/cli/console_presenter.h"
#include "platform/exit_cleanup.h"
#include "platform/headless/headless_toolkit.h"
#include "platform/host_network.h"
#include "platform/http_layer.h"
#include "platform/process.h"
#include "platform/udp_socket.h"

namespace {

using namespace rlq;
using namespace std::chrono_literals;

constexpr int kRetryOffered = 1;
constexpr int kSpecialModeOffered = 2;
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

}  // namespace

int main(int argc, char** argv) {
    bool specialMode = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--special-mode") == 0) {
            specialMode = true;
        } else {
            std::fprintf(stderr, "usage: rlq-updater-cli [--special-mode]\n");
            return kRetryOffered;
        }
    }
    auto& process = platform::SystemProcess();
    if (!process.MayChangeAddresses()) {
        std::fprintf(stderr, "%s\n", kNoRightsText);
        return kRetryOffered;
    }

    platform::ExitCleanup cleanup;
    platform::RunCleanupOnTerminationSignals(cleanup);
    platform::CleanupTrackingHostNetwork host(platform::SystemHostNetwork(), cleanup);
    platform::CleanupTrackingTempFiles tempFiles(platform::SystemTempFiles(), cleanup);
    auto& sockets = platform::SystemUdpSockets();

    platform::HeadlessToolkit ui(platform::TimeMode::Real);
    const bool interactive = ::isatty(STDOUT_FILENO) && ::isatty(STDIN_FILENO);
    cli::ConsolePresenter presenter(ui, stdout, ::isatty(STDOUT_FILENO));
    ui.SetObserver([&](const platform::UiEvent& event) { presenter.Show(event); });

    Program program({ui, process, host, sockets, platform::SystemHttpLayer(), tempFiles},
                    specialMode);
    CRLQUpdaterApp& app = program.App();
    if (!app.InitInstance()) {
        return kRetryOffered;
    }

    int status = 0;
    // Once a run has ended with the window still open, answer its buttons as a user would.
    std::function<void()> whenRunEnds = [&] {
        platform::Window* main = ui.MainWindow();
        if (!main) {
            return;
        }
        if (app.View()->IsSequenceRunning()) {
            ui.After(50ms, whenRunEnds);
            return;
        }
        const bool special = main->IsControlVisible(res::kSpecialModeButton) &&
                             main->IsControlEnabled(res::kSpecialModeButton);
        status = special ? kSpecialModeOffered : kRetryOffered;
        const int button = interactive ? AskForButton(special) : 0;
        if (button != 0) {
            status = 0;
            ui.Click(*main, button);
            ui.After(0ms, whenRunEnds);
        } else {
            ui.ClickCloseBox(*main);
        }
    };
    ui.After(0ms, whenRunEnds);
    ui.RunMessageLoop();
    app.ExitInstance();
    return status;
}
