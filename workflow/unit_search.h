#pragma once

#include "common/unit.h"

#include "workflow/unit_slot.h"

namespace rlq {

// Runs the modal search for one unit and returns the find (all zero when none).
class UnitSearch {
  public:
    virtual ~UnitSearch() = default;
    virtual UnitSlot Find(Unit unit) = 0;
};

}  // namespace rlq
