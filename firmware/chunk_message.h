#pragma once
// One request body of the main unit's update: marks AA 99, the chunk counter and the check value
// (the chunk's word sum plus the counter), big-endian, then the 20,480 data bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/big_endian.h"
#include "firmware/image_format.h"

namespace rlq {

constexpr std::size_t kChunkHeaderSize = 6;
constexpr std::size_t kChunkMessageSize = kChunkHeaderSize + kChunkDataSize;  // 20,486
constexpr std::uint8_t kChunkMark1 = 0xAA;
constexpr std::uint8_t kChunkMark2 = 0x99;

inline void BuildChunkMessage(const std::uint8_t* data, std::uint16_t counter,
                              std::uint8_t* message) {
    std::memcpy(message + kChunkHeaderSize, data, kChunkDataSize);
    message[0] = kChunkMark1;
    message[1] = kChunkMark2;
    WriteBe16(message + 2, counter);
    WriteBe16(message + 4,
              static_cast<std::uint16_t>(ChunkChecksum(message + kChunkHeaderSize) + counter));
}

}  // namespace rlq
