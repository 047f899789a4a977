#pragma once
// One network service of the simulated unit. Each runs on threads of its own between Start and
// Stop; main starts them all, waits for SIGTERM or SIGINT, and stops them in reverse order.

namespace rlq::sim {

class Service {
  public:
    virtual ~Service() = default;
    virtual const char* Name() const = 0;
    // False when the service cannot run (it has written why to stderr).
    virtual bool Start() = 0;
    // Returns when the service's threads have ended.
    virtual void Stop() = 0;
};

}  // namespace rlq::sim
