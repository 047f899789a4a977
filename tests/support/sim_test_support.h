#pragma once
// What the updater sends, built independently of the updater's own code: the transformed payload
// for the loader and the chunk messages for the web interface.

#include <cstdint>
#include <span>
#include <vector>

#include "common/big_endian.h"

namespace rlq::testing {

inline std::vector<std::uint8_t> TransformForLoader(std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> out;
    out.reserve(payload.size());
    std::uint8_t previous = 0xA7;
    std::uint8_t counter = 0x6B;
    for (const std::uint8_t b : payload) {
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint8_t>(b - counter) ^ previous));
        ++counter;
        previous = b;
    }
    return out;
}

inline std::vector<std::uint8_t> ChunkMessage(std::span<const std::uint8_t> payload,
                                              std::uint16_t counter) {
    constexpr std::size_t kData = 20480;
    std::vector<std::uint8_t> message(6 + kData);
    message[0] = 0xAA;
    message[1] = 0x99;
    WriteBe16(message.data() + 2, counter);
    std::uint32_t sum = counter;
    for (std::size_t i = 0; i < kData; ++i) {
        message[6 + i] = payload[counter * kData + i];
    }
    for (std::size_t i = 0; i < kData; i += 2) {
        sum += ReadBe16(message.data() + 6 + i);
    }
    WriteBe16(message.data() + 4, static_cast<std::uint16_t>(sum));
    return message;
}

}  // namespace rlq::testing
