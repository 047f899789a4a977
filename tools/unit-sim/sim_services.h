#pragma once
// The services the simulated unit runs, in start order.

#include <memory>
#include <vector>

#include "tools/unit-sim/service.h"
#include "tools/unit-sim/sim_options.h"

namespace rlq::sim {

std::vector<std::unique_ptr<Service>> MakeServices(const SimOptions& options);

}  // namespace rlq::sim
