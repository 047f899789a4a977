#pragma once
// IPv4 addresses are 32-bit host-order numbers; the first dotted octet is the most significant
// byte.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rlq {

using Ipv4 = std::uint32_t;

constexpr Ipv4 MakeIpv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return (Ipv4{a} << 24) | (Ipv4{b} << 16) | (Ipv4{c} << 8) | Ipv4{d};
}

// The mask of a prefix length: 255.0.0.0 for 8; a length past 32 counts as 32.
constexpr Ipv4 PrefixMask(unsigned length) {
    return length == 0 ? 0 : ~Ipv4{0} << (32 - std::min(length, 32u));
}

// The leading one bits of a mask: 8 for 255.0.0.0.
constexpr int PrefixLength(Ipv4 mask) {
    return std::countl_one(mask);
}

// An interface address with its subnet mask.
struct MaskedAddress {
    Ipv4 address = 0;
    Ipv4 mask = 0;
    friend bool operator==(const MaskedAddress&, const MaskedAddress&) = default;
};

// "a.b.c.d/n" made at compile time, for a protocol that names an address with its prefix.
class PrefixText {
  public:
    constexpr PrefixText(Ipv4 address, Ipv4 mask) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            Append((address >> shift) & 0xFFu);
            m_chars[m_length++] = shift > 0 ? '.' : '/';
        }
        Append(static_cast<unsigned>(PrefixLength(mask)));
    }
    constexpr explicit PrefixText(const MaskedAddress& masked)
        : PrefixText(masked.address, masked.mask) {}
    constexpr std::string_view View() const { return {m_chars.data(), m_length}; }

  private:
    constexpr void Append(unsigned number) {
        if (number >= 10) {
            Append(number / 10);
        }
        m_chars[m_length++] = static_cast<char>('0' + number % 10);
    }

    std::array<char, sizeof "255.255.255.255/32" - 1> m_chars{};
    std::size_t m_length = 0;
};

// "%u.%u.%u.%u", most significant octet first.
std::string FormatIpv4(Ipv4 address);

// Strict dotted-quad parse (four decimal octets 0..255); nullopt for anything else.
std::optional<Ipv4> ParseIpv4(std::string_view text);

}  // namespace rlq
