#pragma once
// IPv4 addresses are 32-bit host-order numbers; the first dotted octet is the most significant
// byte.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rlq {

using Ipv4 = std::uint32_t;

constexpr Ipv4 MakeIpv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return (Ipv4{a} << 24) | (Ipv4{b} << 16) | (Ipv4{c} << 8) | Ipv4{d};
}

// "%u.%u.%u.%u", most significant octet first.
std::string FormatIpv4(Ipv4 address);

// Strict dotted-quad parse (four decimal octets 0..255); nullopt for anything else.
std::optional<Ipv4> ParseIpv4(std::string_view text);

}  // namespace rlq
