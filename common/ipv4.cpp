#include "common/ipv4.h"

#include <charconv>
#include <cstdio>

namespace rlq {

std::string FormatIpv4(Ipv4 address) {
    const std::uint32_t value = address.HostOrder();
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (value >> 24) & 0xFFu, (value >> 16) & 0xFFu,
                  (value >> 8) & 0xFFu, value & 0xFFu);
    return text;
}

std::optional<Ipv4> ParseIpv4(std::string_view text) {
    std::uint32_t value = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (text.empty() || text.front() != '.') {
                return std::nullopt;
            }
            text.remove_prefix(1);
        }
        unsigned part = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), part);
        if (ec != std::errc{} || end == text.data() || part > 255 || end - text.data() > 3) {
            return std::nullopt;
        }
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        value = (value << 8) | part;
    }
    if (!text.empty()) {
        return std::nullopt;
    }
    return Ipv4{value};
}

}  // namespace rlq
