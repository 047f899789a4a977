#pragma once
// Whole percents of the two unit bars, from the main window's range and position events.

#include <cstdint>
#include <optional>

#include "firmware/slots.h"
#include "platform/headless/headless_toolkit.h"

namespace rlq::cli {

struct BarPercent {
    int slot;  // kMainSlot or kSubSlot
    int percent;
};

class BarPercents {
  public:
    // The bar's new percent when the event has moved it to another whole percent; each percent
    // of a bar is reported at most once in a row.
    std::optional<BarPercent> Take(const platform::UiEvent& event);

  private:
    std::uint32_t m_high[kSlotCount] = {0, 0};
    int m_lastPercent[kSlotCount] = {-1, -1};
};

}  // namespace rlq::cli
