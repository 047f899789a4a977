#pragma once
// The console's user, who has read the texts: once a search has given up, presses its "back"
// button; once a run has ended with buttons offered, presses the one `choose` names (0: none,
// the window is closed). A finished run closes its window by itself.

#include <functional>

#include "platform/headless/headless_toolkit.h"
#include "workflow/sequence_events.h"

namespace rlq::cli {

class ConsoleUser final : public SequenceObserver {
  public:
    // `choose` gets whether the special mode is offered and returns a button id or 0.
    ConsoleUser(platform::HeadlessToolkit& ui, std::function<int(bool special)> choose)
        : m_ui(ui), m_choose(std::move(choose)) {}

    void SearchGivenUp(const SearchTexts&) override;
    void RunEnded(SequenceOutcome outcome) override;

  private:
    platform::HeadlessToolkit& m_ui;
    std::function<int(bool special)> m_choose;
};

}  // namespace rlq::cli
