#include "tools/unit-sim/sim_payload.h"

#include <algorithm>
#include <cstdio>

// Written apart from the updater's own transformation on purpose: the simulator is the check on
// what the updater sends, so it must not share the updater's code.

namespace rlq::sim {
namespace {

constexpr std::uint8_t kFirstPrevious = 0xA7;
constexpr std::uint8_t kFirstCounter = 0x6B;

}  // namespace

std::vector<std::uint8_t> RecoverLoaderPayload(std::span<const std::uint8_t> received) {
    std::vector<std::uint8_t> payload;
    payload.reserve(received.size());
    std::uint8_t previous = kFirstPrevious;
    std::uint8_t counter = kFirstCounter;
    for (const std::uint8_t out : received) {
        const auto b = static_cast<std::uint8_t>((out ^ previous) + counter);
        payload.push_back(b);
        previous = b;
        ++counter;
    }
    return payload;
}

std::optional<std::string> ComparePayload(std::span<const std::uint8_t> received,
                                          std::span<const std::uint8_t> expected) {
    const auto [got, want] =
        std::mismatch(received.begin(), received.end(), expected.begin(), expected.end());
    if (got == received.end() && want == expected.end()) {
        return std::nullopt;
    }
    char text[160];
    const auto offset = static_cast<unsigned long>(got - received.begin());
    if (got == received.end() || want == expected.end()) {
        std::snprintf(text, sizeof text, "length %lu, expected %lu (equal up to there)",
                      static_cast<unsigned long>(received.size()),
                      static_cast<unsigned long>(expected.size()));
    } else {
        std::snprintf(text, sizeof text, "first difference at offset %lu: 0x%02X, expected 0x%02X",
                      offset, *got, *want);
    }
    return std::string(text);
}

}  // namespace rlq::sim
