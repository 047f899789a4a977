#include "firmware/image_format.h"

#include <cstdio>

#include "common/big_endian.h"

namespace rlq {

std::string FormatVersion(std::uint16_t version) {
    const unsigned major = 10u * (version >> 12) + ((version >> 8) & 0x0Fu);
    const unsigned minor = 10u * ((version >> 4) & 0x0Fu) + (version & 0x0Fu);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%02u", major, minor);
    return text;
}

std::string VersionChangeText(std::uint16_t unitVersion, std::uint16_t carried) {
    return "Ver." + FormatVersion(unitVersion) + "→" + FormatVersion(carried);
}

std::uint16_t WordSum(std::span<const std::uint8_t> bytes) {
    std::uint16_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        sum = static_cast<std::uint16_t>(sum + ReadBe16(&bytes[i]));
    }
    if (i < bytes.size()) {
        sum = static_cast<std::uint16_t>(sum + (bytes[i] << 8));
    }
    return sum;
}

std::uint16_t ChunkChecksum(const std::uint8_t* chunk) {
    return WordSum(std::span<const std::uint8_t>(chunk, kChunkDataSize));
}

std::uint32_t ParseSizeText(std::span<const std::uint8_t> text) {
    std::uint32_t value = 0;
    for (std::uint8_t byte : text) {
        if (byte == '\0' || byte == '\r' || byte == '\n') {
            break;
        }
        if (byte >= '0' && byte <= '9') {
            value = value * 10u + static_cast<std::uint32_t>(byte - '0');
        }
    }
    return value;
}

std::uint16_t ImageVersion(const std::uint8_t* image) {
    return ReadBe16(image + image_header::kVersionOffset);
}

}  // namespace rlq
