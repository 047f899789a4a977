#pragma once
// Whole percents of the two unit bars, from the view's progress events.

#include <cstdint>
#include <optional>

#include "firmware/slots.h"

namespace rlq::cli {

struct BarPercent {
    Unit unit;
    int percent;
};

class BarPercents {
  public:
    // The bar's new percent when `done` of `total` is another whole percent; each percent of a
    // bar is reported at most once in a row. A bar of no size is full.
    std::optional<BarPercent> Take(Unit unit, std::uint32_t done, std::uint32_t total);

  private:
    int m_lastPercent[kSlotCount] = {-1, -1};
};

}  // namespace rlq::cli
