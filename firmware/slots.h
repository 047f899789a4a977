#pragma once
// The document's two slots: one firmware image and one transfer for each unit.

#include "common/unit.h"

namespace rlq {

inline constexpr int kMainSlot = 0;
inline constexpr int kSubSlot = 1;
inline constexpr int kSlotCount = 2;

constexpr int SlotOf(Unit unit) {
    return unit == Unit::Main ? kMainSlot : kSubSlot;
}
constexpr Unit UnitOfSlot(int slot) {
    return slot == kMainSlot ? Unit::Main : Unit::Sub;
}

}  // namespace rlq
