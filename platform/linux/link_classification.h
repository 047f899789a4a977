#pragma once
// How Linux links are presented in the interface table: type and operational state.

#include <cstdint>

namespace rlq::platform::linux_links {

// Wired Ethernet (ARPHRD_ETHER without a wireless PHY) is type 6; wireless links are reported
// as IEEE 802.11 so that they are not taken for Ethernet.
std::uint32_t InterfaceType(unsigned arpType, bool wireless);

// Kernel operstate (IF_OPER_*) and link flags (IFF_*) onto the interface-table states:
//   administratively down (no IFF_UP)          -> 0 non-operational
//   IF_OPER_UP                                 -> 5 operational
//   IF_OPER_UNKNOWN with IFF_RUNNING           -> 5 operational (drivers without operstate)
//   IF_OPER_UNKNOWN without IFF_RUNNING        -> 2 disconnected
//   IF_OPER_DORMANT (e.g. waiting for 802.1X)  -> 3 connecting
//   IF_OPER_DOWN, IF_OPER_LOWERLAYERDOWN       -> 2 disconnected
//   IF_OPER_NOTPRESENT, IF_OPER_TESTING        -> 0 non-operational
std::uint32_t OperStatus(std::uint8_t operState, unsigned flags);

}  // namespace rlq::platform::linux_links
