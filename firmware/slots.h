#pragma once
// The document's two slots: one firmware image and one transfer for each unit.

namespace rlq {

inline constexpr int kMainSlot = 0;
inline constexpr int kSubSlot = 1;
inline constexpr int kSlotCount = 2;

}  // namespace rlq
