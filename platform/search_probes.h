#pragma once
// Looks at the host that the discovery itself does not need, for saying why a search found
// nothing: who holds a UDP port, the IPv4 routes, and what reached the adapters before any
// firewall. No OS types.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/ipv4.h"
#include "platform/process.h"

namespace rlq::platform {

// A process holding the port; its id is 0 where the system does not tell.
using UdpPortHolder = ProcessIdentity;

struct RouteRow {
    Ipv4 destination;
    Ipv4 mask;
    std::uint32_t interfaceIndex = 0;
};

// Notes the UDP datagrams to one port that arrive at the adapters from the moment it is opened,
// as the adapters see them: before the host's firewall.
class ArrivalCapture {
  public:
    virtual ~ArrivalCapture() = default;
    // The senders of what arrived since the last call, in arrival order.
    virtual std::vector<Ipv4> TakeSenders() = 0;
};

class SearchProbes {
  public:
    virtual ~SearchProbes() = default;
    // Null where the platform or the process's rights give no such view.
    virtual std::unique_ptr<ArrivalCapture> CaptureUdpArrivals(std::uint16_t port) = 0;
    // The sockets bound to the local UDP port; a holder the system hides is still listed.
    virtual std::vector<UdpPortHolder> UdpPortHolders(std::uint16_t port) = 0;
    // The IPv4 unicast routes of every table; empty when they cannot be read.
    virtual std::vector<RouteRow> Ipv4Routes() = 0;
};

SearchProbes& SystemSearchProbes();

}  // namespace rlq::platform
