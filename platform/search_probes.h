#pragma once
// Looks at the host that the discovery itself does not need, for saying why a search found
// nothing: who holds a UDP port, the IPv4 routes, what reached the adapters before any
// firewall, and what the firewall's own settings say. No OS types.

#include <cstdint>
#include <memory>
#include <optional>
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

enum class FirewallProfileKind { Domain, Private, Public };

// A profile in force on this host; each setting nullopt where the firewall did not tell.
struct FirewallProfile {
    FirewallProfileKind kind = FirewallProfileKind::Public;
    std::optional<bool> enabled;
    std::optional<bool> blockAllInbound;
    std::optional<bool> unicastRepliesDisabled;  // the unicast replies to this host's broadcasts
};

enum class FirewallAction { Allow, Block };
enum class FirewallProtocol { Any, Udp, Other };

// An enabled inbound rule in force in a current profile that names this program, or that allows
// UDP to the reply port for every program.
struct FirewallRule {
    std::string name;
    FirewallAction action = FirewallAction::Allow;
    FirewallProtocol protocol = FirewallProtocol::Any;
    bool takesReplyPort = false;                // its local ports hold the reply port
    std::vector<FirewallProfileKind> profiles;  // the current profiles it is in force in
};

struct FirewallState {
    std::vector<FirewallProfile> profiles;           // the current ones
    std::optional<std::vector<FirewallRule>> rules;  // nullopt where they could not be read
    std::vector<std::string> otherFirewalls;         // the names of other makers' firewalls
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
    // The host firewall's settings as they bear on replies to `replyPort`; nullopt where the
    // platform has no such firewall or it cannot be read.
    virtual std::optional<FirewallState> Firewall(std::uint16_t replyPort) = 0;
};

SearchProbes& SystemSearchProbes();

}  // namespace rlq::platform
