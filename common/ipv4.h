#pragma once
// IPv4 addresses and masks.

#include <algorithm>
#include <array>
#include <bit>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rlq {

// An address or a subnet mask held as the 32-bit host-order number the protocols name, the
// first dotted octet its most significant byte. A type of its own, so that an address never
// passes for a count, an index or an error code, and is made from a number only on purpose.
class Ipv4 {
  public:
    constexpr Ipv4() = default;
    constexpr explicit Ipv4(std::uint32_t hostOrder) : m_hostOrder(hostOrder) {}
    constexpr std::uint32_t HostOrder() const { return m_hostOrder; }

    friend constexpr auto operator<=>(Ipv4, Ipv4) = default;
    friend constexpr Ipv4 operator&(Ipv4 a, Ipv4 b) { return Ipv4{a.m_hostOrder & b.m_hostOrder}; }
    friend constexpr Ipv4 operator|(Ipv4 a, Ipv4 b) { return Ipv4{a.m_hostOrder | b.m_hostOrder}; }
    friend constexpr Ipv4 operator~(Ipv4 a) { return Ipv4{~a.m_hostOrder}; }

  private:
    std::uint32_t m_hostOrder = 0;
};

constexpr Ipv4 MakeIpv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return Ipv4{(std::uint32_t{a} << 24) | (std::uint32_t{b} << 16) | (std::uint32_t{c} << 8) |
                std::uint32_t{d}};
}

// The mask of a prefix length: 255.0.0.0 for 8; a length past 32 counts as 32.
constexpr Ipv4 PrefixMask(unsigned length) {
    return Ipv4{length == 0 ? 0 : ~std::uint32_t{0} << (32 - std::min(length, 32u))};
}

// The leading one bits of a mask: 8 for 255.0.0.0.
constexpr int PrefixLength(Ipv4 mask) {
    return std::countl_one(mask.HostOrder());
}

// An interface address with its subnet mask.
struct MaskedAddress {
    Ipv4 address;
    Ipv4 mask;
    friend bool operator==(const MaskedAddress&, const MaskedAddress&) = default;
};

// "a.b.c.d/n" made at compile time, for a protocol that names an address with its prefix.
class PrefixText {
  public:
    constexpr PrefixText(Ipv4 address, Ipv4 mask) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            Append((address.HostOrder() >> shift) & 0xFFu);
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
