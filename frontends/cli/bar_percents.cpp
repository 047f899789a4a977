#include "frontends/cli/bar_percents.h"

namespace rlq::cli {

std::optional<BarPercent> BarPercents::Take(Unit unit, std::uint32_t done, std::uint32_t total) {
    const int slot = SlotOf(unit);
    const int percent = total == 0 ? 100 : static_cast<int>(100.0 * done / total);
    if (percent == m_lastPercent[slot]) {
        return std::nullopt;
    }
    m_lastPercent[slot] = percent;
    return BarPercent{unit, percent};
}

}  // namespace rlq::cli
