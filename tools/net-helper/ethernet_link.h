#pragma once

#include <cstdint>

namespace rlq::net_helper {

// True when `interfaceIndex` names an existing Ethernet link (not loopback, not a tunnel).
bool IsEthernetInterface(std::uint32_t interfaceIndex);

}  // namespace rlq::net_helper
