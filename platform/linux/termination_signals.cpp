#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "platform/exit_cleanup.h"

namespace rlq::platform {

void RunCleanupOnTerminationSignals(ExitCleanup& cleanup) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([&cleanup, signals] {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) {
            return;
        }
        cleanup.RunAll();
        static const char kNote[] = "\nrlq: interrupted; temporary address and file removed\n";
        (void)!::write(STDERR_FILENO, kNote, sizeof kNote - 1);
        ::_exit(128 + signal);
    }).detach();
}

}  // namespace rlq::platform
