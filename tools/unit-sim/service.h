#pragma once
// One network service of the simulated unit. Each serves on a thread of its own between Start and
// Stop; main starts them all, waits for SIGTERM or SIGINT, and stops them in reverse order.

#include "tools/unit-sim/service_thread.h"

namespace rlq::sim {

class Service {
  public:
    virtual ~Service() = default;
    virtual const char* Name() const = 0;
    // False when the service cannot run (it has written why to stderr).
    virtual bool Start() = 0;
    // Tells the service's thread to end, without waiting: every service is told first, so that
    // they end together rather than one look after another.
    void RequestStop() { m_serving.RequestStop(); }
    // Returns when the service's thread has ended.
    virtual void Stop() = 0;

  protected:
    ServiceThread m_serving;
};

}  // namespace rlq::sim
