#pragma once
// Discovery answers as a unit sends them.

#include <cstdint>
#include <vector>

#include "common/unit_network.h"

namespace rlq::testing {

// A reply as a unit sends it.
inline std::vector<std::uint8_t> MakeReply(std::uint8_t kind, std::uint16_t version,
                                           std::uint16_t format = kDiscoveryFormatVersion) {
    std::vector<std::uint8_t> reply(kDiscoveryMagic.begin(), kDiscoveryMagic.end());
    reply.push_back(static_cast<std::uint8_t>(format >> 8));
    reply.push_back(static_cast<std::uint8_t>(format & 0xFF));
    reply.push_back(kind);
    reply.push_back(static_cast<std::uint8_t>(version >> 8));
    reply.push_back(static_cast<std::uint8_t>(version & 0xFF));
    reply.resize(kDiscoveryDatagramSize, 0);
    return reply;
}

}  // namespace rlq::testing
