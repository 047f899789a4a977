#pragma once
// The Windows firewall's settings for the profiles in force (INetFwPolicy2) and the firewalls
// other makers registered (INetFwProducts). Only read: no rule is ever changed.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/search_probes.h"

namespace rlq::platform::win32 {

// Nullopt where neither could be read; every setting a call refuses is left untold.
std::optional<FirewallState> ReadFirewallState(std::wstring_view programPath,
                                               std::uint16_t replyPort);

// Whether a rule's local ports ("*", "12104", "12000-12200", "80,12104", or a keyword such as
// "RPC") hold `port`.
bool LocalPortsHold(std::string_view ports, std::uint16_t port);

}  // namespace rlq::platform::win32
