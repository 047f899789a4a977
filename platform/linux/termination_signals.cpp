#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "platform/linux/termination_signals.h"

namespace rlq::platform {
namespace {

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Ends the process by `signal` with its default action, so that the parent sees what it sent.
[[noreturn]] void EndBy(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);  // not reached: the default action of each of them ends the process
}

}  // namespace

void RunCleanupOnTerminationSignals(ExitCleanup& cleanup) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);

    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : kTerminationSignals) {
        sigaddset(&signals, signal);
    }
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([&cleanup, signals] {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) {
            return;
        }
        cleanup.RunAll();
        static const char kNote[] = "\nrlq: interrupted; temporary address and file removed\n";
        (void)!::write(STDERR_FILENO, kNote, sizeof kNote - 1);
        EndBy(signal);
    }).detach();
}

}  // namespace rlq::platform
