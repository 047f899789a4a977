#pragma once

#include <cstdint>

#include "workflow/unit_slot.h"

namespace rlq {

// Runs the modal search for one unit kind and returns the find (all zero when none).
class UnitSearch {
  public:
    virtual ~UnitSearch() = default;
    virtual UnitSlot Find(std::int32_t kind) = 0;
};

}  // namespace rlq
