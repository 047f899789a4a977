#pragma once
// The three pieces of the netlink host-network backend.

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/host_network.h"

namespace rlq::platform::netlink {

std::optional<AdapterSnapshot> ReadAdapterSnapshot();
std::unique_ptr<AddressLease> AddInterfaceAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                                  Ipv4 mask);
std::unique_ptr<RouteChangeWatch> OpenRouteChangeWatch();

}  // namespace rlq::platform::netlink
