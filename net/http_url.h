#pragma once
// The URL check in front of every request: split an http URL into server, object and port.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rlq {

struct HttpUrlParts {
    std::string server;
    std::string object;  // begins with "/"
    std::uint16_t port;
};

// Accepts "http://host[:port][/object]" (scheme case-insensitive, port 80 when none is given).
// The object is canonicalised: spaces, bytes above 0x7E and characters unsafe in a URL are
// percent-escaped and a fragment is dropped. Control characters, an empty or malformed host and
// any other scheme are refused, so nothing can break the request line.
std::optional<HttpUrlParts> ParseHttpUrl(std::string_view url);

}  // namespace rlq
