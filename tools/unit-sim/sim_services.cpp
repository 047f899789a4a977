#include "tools/unit-sim/sim_services.h"

#include "tools/unit-sim/discovery_responder.h"

namespace rlq::sim {

std::vector<std::unique_ptr<Service>> MakeServices(const SimOptions& options) {
    std::vector<std::unique_ptr<Service>> services;
    services.push_back(std::make_unique<DiscoveryResponder>(options));
    return services;
}

}  // namespace rlq::sim
