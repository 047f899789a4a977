#pragma once
// The console's user at the search dialog: once the search has given up and its button says
// "back", presses it, as a user who has read the texts would.

#include <string>

#include "platform/headless/headless_toolkit.h"

namespace rlq::cli {

class SearchAnswerer {
  public:
    explicit SearchAnswerer(platform::HeadlessToolkit& ui) : m_ui(ui) {}
    void See(const platform::UiEvent& event);

  private:
    platform::HeadlessToolkit& m_ui;
};

// The search dialog's name in the headless toolkit's events.
extern const std::string kSearchDialog;

// True for the event that names the search dialog's button once the search has given up.
bool IsSearchGivenUp(const platform::UiEvent& event);

}  // namespace rlq::cli
