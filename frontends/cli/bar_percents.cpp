#include "frontends/cli/bar_percents.h"

namespace rlq::cli {

std::optional<BarPercent> BarPercents::Take(int slot, std::uint32_t done, std::uint32_t total) {
    if (slot < 0 || slot >= kSlotCount) {
        return std::nullopt;
    }
    const int percent = total == 0 ? 100 : static_cast<int>(100.0 * done / total);
    if (percent == m_lastPercent[slot]) {
        return std::nullopt;
    }
    m_lastPercent[slot] = percent;
    return BarPercent{slot, percent};
}

}  // namespace rlq::cli
