#include "frontends/cli/console_user.h"

#include <chrono>

#include "resources/resource_ids.h"

namespace rlq::cli {

// Both act once the event's handler has returned: a button pressed while the sequence is still
// on the stack would be ignored.
void ConsoleUser::SearchGivenUp(const SearchTexts&) {
    m_ui.After(std::chrono::milliseconds(0), [this] {
        if (platform::Window* dialog = m_ui.ActiveWindow()) {
            m_ui.Click(*dialog, res::kSearchCancelButton);
        }
    });
}

void ConsoleUser::RunEnded(SequenceOutcome outcome) {
    const bool special = outcome == SequenceOutcome::SpecialModeOffered;
    if (outcome != SequenceOutcome::RetryOffered && !special) {
        return;
    }
    m_ui.After(std::chrono::milliseconds(0), [this, special] {
        platform::Window* main = m_ui.MainWindow();
        if (!main) {
            return;
        }
        if (const int button = m_choose(special); button != 0) {
            m_ui.Click(*main, button);
        } else {
            m_ui.ClickCloseBox(*main);
        }
    });
}

}  // namespace rlq::cli
