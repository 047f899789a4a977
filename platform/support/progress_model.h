#pragma once
// A progress bar's state as the native control keeps it, for backends that draw their own bars.

#include <algorithm>
#include <cstdint>

namespace rlq::platform {

struct ProgressModel {
    std::uint32_t low = 0;
    std::uint32_t high = 100;
    std::uint32_t position = 0;
    std::uint32_t step = 10;

    void SetRange(std::uint32_t newLow, std::uint32_t newHigh) {
        low = newLow;
        high = std::max(newLow, newHigh);
        position = Clamped(position);
    }
    std::uint32_t Clamped(std::uint32_t value) const { return std::clamp(value, low, high); }
    // Stepping past the top wraps to the bottom.
    std::uint32_t Stepped() const {
        const std::uint32_t next = position + step;
        return next > high ? low + (next - high) : next;
    }
};

}  // namespace rlq::platform
