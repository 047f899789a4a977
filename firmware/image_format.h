#pragma once
// The firmware image: a 512-byte header (big-endian fields) followed by the unit's payload.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace rlq {

namespace image_header {
constexpr std::size_t kSize = 0x200;
constexpr std::string_view kMagic = "RLUP";
constexpr std::size_t kKindOffset = 0x004;
constexpr std::size_t kMarkerOffset = 0x010;
constexpr std::uint8_t kMarker[2] = {0x55, 0xAA};
constexpr std::size_t kVersionOffset = 0x012;
constexpr std::size_t kChecksumOffset = 0x014;
constexpr std::size_t kFillOffset = 0x020;
constexpr std::uint8_t kFillByte = 0xFF;
constexpr std::uint16_t kMainUnitKind = 2;
constexpr std::uint16_t kSubUnitKind = 1;
}  // namespace image_header

constexpr std::size_t kChunkDataSize = 20480;
// The main unit's payload is exactly this many chunks.
constexpr std::size_t kMainChunkCount = 32;
constexpr std::uint32_t kMainPayloadSize = kMainChunkCount * kChunkDataSize;

// "%u.%02u" of the four BCD digits; nibbles above 9 take part in the arithmetic unchanged.
std::string FormatVersion(std::uint16_t version);
// "Ver.1.30→1.34": a unit's version beside the carried one, as the window shows them.
std::string VersionChangeText(std::uint16_t unitVersion, std::uint16_t carried);

// Sum of the bytes read as big-endian 16-bit words, modulo 65,536. An odd trailing byte counts
// as the high byte of a last word.
std::uint16_t WordSum(std::span<const std::uint8_t> bytes);

// WordSum of one 20,480-byte chunk.
std::uint16_t ChunkChecksum(const std::uint8_t* chunk);

// Decimal digits up to the first NUL, CR or LF; every other byte is skipped. 32-bit wrap.
std::uint32_t ParseSizeText(std::span<const std::uint8_t> text);

// The version from header bytes 0x012 (high) and 0x013 (low).
std::uint16_t ImageVersion(const std::uint8_t* image);

}  // namespace rlq
