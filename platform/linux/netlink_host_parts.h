#pragma once
// The pieces of the netlink host-network backend.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/search_probes.h"

namespace rlq::platform::netlink {

// An added address lives this long past its last renewal: the bound on how long it outlives a
// holder that was killed. Renewals come often enough that a late one never lets it lapse.
inline constexpr std::chrono::seconds kLeaseLifetime{30};
inline constexpr std::chrono::seconds kLeaseRenewInterval{10};
inline constexpr std::chrono::seconds kLeaseRetryInterval{1};

std::optional<AdapterSnapshot> ReadAdapterSnapshot();
std::unique_ptr<AddressLease> AddInterfaceAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                                  Ipv4 mask);
std::vector<std::string> RemoveExpiringAddresses(Ipv4 address, Ipv4 mask);
std::unique_ptr<RouteChangeWatch> OpenRouteChangeWatch();
// Of every table; empty when they cannot be read.
std::vector<RouteRow> ReadIpv4Routes();

}  // namespace rlq::platform::netlink
