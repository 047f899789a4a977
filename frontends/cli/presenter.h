#pragma once
// What the console shows of a run: it listens to the run's events, and the front end adds a
// check's findings and the exit status. One presenter for people (Japanese text), one for scripts
// (JSON lines).

#include <cstdint>
#include <string_view>

#include "common/run_events.h"
#include "workflow/unit_slot.h"

namespace rlq::cli {

class Presenter : public RunObserver {
  public:
    // After a check that found both units: one unit beside the image carried for it, and whether
    // it runs that image.
    virtual void ShowChecked(int slot, const UnitSlot& unit, std::uint16_t carried,
                             bool current) = 0;
    // The last word: the exit status and its name (see exit_status.h).
    virtual void Finish(int status, std::string_view outcome) = 0;
};

}  // namespace rlq::cli
