#pragma once
// The program's data items that carry the firmware: one image per slot and the sub unit's size
// text. Type names match in any letter case.

#include <cstdint>

#include "firmware/slots.h"

namespace rlq {

inline constexpr char kImageItemType[] = "FILE";
inline constexpr char kSizeTextItemType[] = "File";
inline constexpr std::uint16_t kImageItem[kSlotCount] = {134, 142};
inline constexpr std::uint16_t kSubImageSizeItem = 143;

}  // namespace rlq
