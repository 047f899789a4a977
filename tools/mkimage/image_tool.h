#pragma once
// Building and checking firmware images for the build and for tests.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rlq::mkimage {

// Deterministic stand-in payload: a xorshift stream from `seed`, its last word adjusted so that
// the payload's word sum equals `wordSum` when given (the size must then be even).
std::vector<std::uint8_t> MakeStandInPayload(std::size_t size, std::uint32_t seed,
                                             std::optional<std::uint16_t> wordSum);

// Header and payload; `version` is BCD (0x0134 for 1.34).
std::vector<std::uint8_t> BuildImage(std::uint16_t kind, std::uint16_t version,
                                     const std::vector<std::uint8_t>& payload);

struct Expectation {
    std::optional<std::uint16_t> kind;
    std::optional<std::uint16_t> version;
    std::optional<std::uint32_t> payloadSize;
};

// Empty when the image is sound and meets the expectation; otherwise what is wrong.
std::string CheckImage(const std::vector<std::uint8_t>& image, const Expectation& expected);

// Parses "1.34" into 0x0134; nullopt when not of the form d.dd / dd.dd.
std::optional<std::uint16_t> ParseVersionText(const std::string& text);

}  // namespace rlq::mkimage
