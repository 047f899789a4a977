#pragma once
// What the console shows of a run: what the start set right, the toolkit's events, the searches,
// a check's findings and the exit status. One presenter for people (Japanese text), one for scripts
// (JSON lines).

#include <cstdint>
#include <string_view>

#include "app/program.h"
#include "platform/headless/headless_toolkit.h"
#include "workflow/unit_search.h"

namespace rlq::cli {

class Presenter : public StartObserver, public SearchObserver {
  public:
    virtual void Show(const platform::UiEvent& event) = 0;
    // After a check that found both units: one unit beside the image carried for it, and whether
    // it runs that image.
    virtual void ShowChecked(int slot, const UnitSlot& unit, std::uint16_t carried,
                             bool current) = 0;
    // The last word: the exit status and its name (see exit_status.h).
    virtual void Finish(int status, std::string_view outcome) = 0;
};

}  // namespace rlq::cli
