#include "frontends/cli/search_answerer.h"

#include <chrono>

#include "resources/resource_ids.h"

namespace rlq::cli {

const std::string kSearchDialog = "dialog " + std::to_string(res::kSearchDialog);

bool IsSearchGivenUp(const platform::UiEvent& event) {
    return event.kind == platform::UiEvent::Kind::Text && event.window == kSearchDialog &&
           event.control == res::kSearchCancelButton && !event.text.empty();
}

void SearchAnswerer::See(const platform::UiEvent& event) {
    if (!IsSearchGivenUp(event)) {
        return;
    }
    m_ui.After(std::chrono::milliseconds(0), [this] {
        if (platform::Window* dialog = m_ui.ActiveWindow()) {
            m_ui.Click(*dialog, res::kSearchCancelButton);
        }
    });
}

}  // namespace rlq::cli
