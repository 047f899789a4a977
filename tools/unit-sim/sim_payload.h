#pragma once
// What the simulated sub unit does with the bytes its loader received: undo the updater's byte
// transformation, and compare the result with the payload the updater carries.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace rlq::sim {

// Inverse of the transformation (previous byte from 0xA7, counter from 0x6B,
// out = (b - counter) ^ previous): b = (out ^ previous) + counter, previous = b.
std::vector<std::uint8_t> RecoverLoaderPayload(std::span<const std::uint8_t> received);

// Nullopt when both are equal; otherwise a short description of the first difference.
std::optional<std::string> ComparePayload(std::span<const std::uint8_t> received,
                                          std::span<const std::uint8_t> expected);

}  // namespace rlq::sim
