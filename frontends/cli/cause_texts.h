#pragma once
// Why a search found nothing, in the console's Japanese: what was seen and what to do.

#include <string>

#include "workflow/sequence_events.h"

namespace rlq::cli {

struct CauseTexts {
    std::string seen;
    std::string hint;
};

CauseTexts TextsForCause(const SearchDiagnosis& diagnosis);

// One adapter as the search saw it: name, link, addresses, requests and replies.
std::string AdapterLine(const AdapterSearched& adapter);

}  // namespace rlq::cli
