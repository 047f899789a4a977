#pragma once
// Discovery answers as a unit sends them.

#include <cstdint>
#include <vector>

namespace rlq::testing {

// A 16-byte reply.
inline std::vector<std::uint8_t> MakeReply(std::uint8_t kind, std::uint16_t version,
                                           std::uint16_t format = 0x0100) {
    std::vector<std::uint8_t> reply{'R', 'E', 'P', 'L', 'Y'};
    reply.push_back(static_cast<std::uint8_t>(format >> 8));
    reply.push_back(static_cast<std::uint8_t>(format & 0xFF));
    reply.push_back(kind);
    reply.push_back(static_cast<std::uint8_t>(version >> 8));
    reply.push_back(static_cast<std::uint8_t>(version & 0xFF));
    reply.resize(16, 0);
    return reply;
}

}  // namespace rlq::testing
