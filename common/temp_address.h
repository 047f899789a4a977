#pragma once
// The temporary address that joins the PC to 10.0.0.0/8 while a unit there is searched for or
// updated.

#include <string_view>

#include "common/ipv4.h"

namespace rlq {

inline constexpr Ipv4 kTempAddress = MakeIpv4(10, 10, 1, 1);
inline constexpr Ipv4 kTempMask = MakeIpv4(255, 0, 0, 0);
// "10.10.1.1/8", as the helper's protocol and the console name it.
inline constexpr PrefixText kTempAddressPrefixText{kTempAddress, kTempMask};
inline constexpr std::string_view kTempAddressText = kTempAddressPrefixText.View();

// An adapter in 10.0.0.0/8 whose own subnet holds the temporary address never gets it: there
// 10.10.1.1 may be a host of that LAN, its router even. An adapter in a narrower part of 10/8
// that leaves it out joins the rest of 10/8 through it like any other adapter.
constexpr bool WithholdsTempAddress(const MaskedAddress& own) {
    return (own.address & kTempMask) == (kTempAddress & kTempMask) &&
           (own.address & own.mask) == (kTempAddress & own.mask);
}

}  // namespace rlq
