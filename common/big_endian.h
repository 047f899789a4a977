#pragma once

#include <cstdint>

namespace rlq {

constexpr std::uint16_t ReadBe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

constexpr void WriteBe16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 8);
    p[1] = static_cast<std::uint8_t>(value & 0xFF);
}

constexpr std::uint32_t ReadBe32(const std::uint8_t* p) {
    return (std::uint32_t{ReadBe16(p)} << 16) | ReadBe16(p + 2);
}

constexpr void WriteBe32(std::uint8_t* p, std::uint32_t value) {
    WriteBe16(p, static_cast<std::uint16_t>(value >> 16));
    WriteBe16(p + 2, static_cast<std::uint16_t>(value & 0xFFFF));
}

}  // namespace rlq
