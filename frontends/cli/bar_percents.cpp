#include "frontends/cli/bar_percents.h"

#include "resources/resource_ids.h"

namespace rlq::cli {
namespace {

int SlotOfBar(int control) {
    return control == res::kMainProgress ? kMainSlot : control == res::kSubProgress ? kSubSlot : -1;
}

}  // namespace

std::optional<BarPercent> BarPercents::Take(const platform::UiEvent& event) {
    using Kind = platform::UiEvent::Kind;
    const int slot = SlotOfBar(event.control);
    if (slot < 0) {
        return std::nullopt;
    }
    if (event.kind == Kind::Range) {
        m_high[slot] = event.high;
        return std::nullopt;
    }
    if (event.kind != Kind::Position) {
        return std::nullopt;
    }
    const std::uint32_t high = m_high[slot];
    const int percent = high == 0 ? 100 : static_cast<int>(100.0 * event.high / high);
    if (percent == m_lastPercent[slot]) {
        return std::nullopt;
    }
    m_lastPercent[slot] = percent;
    return BarPercent{slot, percent};
}

}  // namespace rlq::cli
