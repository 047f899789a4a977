#include "net/http_url.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "common/unit_network.h"

namespace rlq {
namespace {

constexpr std::string_view kScheme = "http://";
constexpr std::string_view kUnsafe = " \"<>\\^`{|}";

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool IsHostCharacter(unsigned char c) {
    return std::isalnum(c) != 0 || c == '.' || c == '-';
}

bool SchemeMatches(std::string_view url) {
    return url.size() >= kScheme.size() &&
           std::equal(kScheme.begin(), kScheme.end(), url.begin(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value == 0 || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::optional<std::string> CanonicalObject(std::string_view object) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string canonical = "/";
    if (!object.empty() && object.front() == '/') {
        object.remove_prefix(1);
    }
    object = object.substr(0, object.find('#'));
    for (const char ch : object) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsControl(c)) {
            return std::nullopt;
        }
        if (c > 0x7E || kUnsafe.find(ch) != std::string_view::npos) {
            canonical += '%';
            canonical += kHex[c >> 4];
            canonical += kHex[c & 0x0F];
        } else {
            canonical += ch;
        }
    }
    return canonical;
}

}  // namespace

std::optional<HttpUrlParts> ParseHttpUrl(std::string_view url) {
    if (!SchemeMatches(url)) {
        return std::nullopt;
    }
    url.remove_prefix(kScheme.size());
    const std::size_t authorityEnd = std::min(url.find_first_of("/?#"), url.size());
    const std::string_view authority = url.substr(0, authorityEnd);
    const std::size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (host.empty() || !std::all_of(host.begin(), host.end(), [](char c) {
            return IsHostCharacter(static_cast<unsigned char>(c));
        })) {
        return std::nullopt;
    }
    std::uint16_t port = kHttpPort;
    if (colon != std::string_view::npos) {
        const auto parsed = ParsePort(authority.substr(colon + 1));
        if (!parsed) {
            return std::nullopt;
        }
        port = *parsed;
    }
    auto object = CanonicalObject(url.substr(authorityEnd));
    if (!object) {
        return std::nullopt;
    }
    return HttpUrlParts{std::string(host), std::move(*object), port};
}

}  // namespace rlq
