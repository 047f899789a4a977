// rlq-unit-sim: a main unit with its built-in sub unit, for tests inside a network namespace.
// Prints "ready" once every service runs and ends cleanly on SIGTERM or SIGINT.

#include <pthread.h>
#include <signal.h>

#include <cstdio>

#include "tools/unit-sim/sim_log.h"
#include "tools/unit-sim/sim_options.h"
#include "tools/unit-sim/sim_services.h"

int main(int argc, char** argv) {
    std::string error;
    const std::optional<rlq::sim::SimOptions> options = rlq::sim::ParseOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "rlq-unit-sim: %s\n%s", error.c_str(), rlq::sim::Usage().c_str());
        return 2;
    }

    // Blocked before any service thread starts, so only sigwait below takes these signals.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    std::vector<std::unique_ptr<rlq::sim::Service>> services = rlq::sim::MakeServices(*options);
    std::size_t started = 0;
    while (started < services.size() && services[started]->Start()) {
        ++started;
    }
    int status = 1;
    if (started == services.size()) {
        rlq::sim::LogLine("ready");
        int received = 0;
        sigwait(&endSignals, &received);
        rlq::sim::LogLine("stopping");
        status = 0;
    }
    while (started > 0) {
        services[--started]->Stop();
    }
    return status;
}
