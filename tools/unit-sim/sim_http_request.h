#pragma once
// Parsing of the request head that the simulated web interface receives.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rlq::sim {

struct SimHttpRequest {
    std::string method;
    std::string path;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::vector<std::uint8_t> body;

    // The first header of that name (case-insensitive), value without surrounding blanks.
    std::optional<std::string> Header(std::string_view name) const;
};

// `head` runs up to and including the blank line; nullopt when the request line is malformed.
std::optional<SimHttpRequest> ParseSimHttpHead(std::string_view head);

}  // namespace rlq::sim
