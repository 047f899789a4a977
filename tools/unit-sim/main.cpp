// rlq-unit-sim: a main unit with its built-in sub unit, for tests inside a network namespace.
// Prints "ready" once every service runs, power-cycles on SIGHUP and ends cleanly on SIGTERM
// or SIGINT.

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
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);  // the power cycle
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    rlq::sim::SimulatedUnit unit(*options);
    if (!unit.Start()) {
        return 1;
    }
    rlq::sim::LogLine("ready");
    for (int received = 0; sigwait(&signals, &received) == 0 && received == SIGHUP;) {
        unit.PowerCycle();
    }
    rlq::sim::LogLine("stopping");
    unit.Stop();
    return 0;
}
