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

// Told of each search before it runs and of its find (all zero when none) after.
class SearchObserver {
  public:
    virtual ~SearchObserver() = default;
    virtual void SearchStarted(std::int32_t kind) = 0;
    virtual void SearchEnded(std::int32_t kind, const UnitSlot& found) = 0;
};

}  // namespace rlq
