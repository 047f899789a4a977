#pragma once
// The simulated main unit with its built-in sub unit: the discovery responder, the two web
// interfaces, the sub unit's loader (armed by update_reset) and, where asked for, the loader at
// the special mode's fixed address.

#include <memory>
#include <vector>

#include "tools/unit-sim/discovery_responder.h"
#include "tools/unit-sim/service.h"
#include "tools/unit-sim/sim_options.h"
#include "tools/unit-sim/tftp_loader.h"
#include "tools/unit-sim/web_interface.h"

namespace rlq::sim {

class SimulatedUnit {
  public:
    explicit SimulatedUnit(const SimOptions& options);
    ~SimulatedUnit();
    SimulatedUnit(const SimulatedUnit&) = delete;
    SimulatedUnit& operator=(const SimulatedUnit&) = delete;

    // Starts every service; on a failure the ones already started are stopped again.
    bool Start();
    void Stop();
    // Checks what arrived against the carried images and prints the outcome; a unit whose image
    // arrived whole and matched reports the image's version from then on.
    void PowerCycle();

  private:
    DiscoveryResponder m_responder;
    std::unique_ptr<TftpLoader> m_loader;
    std::unique_ptr<TftpLoader> m_specialLoader;
    std::unique_ptr<WebInterface> m_mainWeb;
    std::unique_ptr<WebInterface> m_subWeb;
    std::vector<Service*> m_services;
    std::size_t m_started = 0;
};

}  // namespace rlq::sim
