#pragma once
// Why a search found nothing, in the user's words from the message catalogue: what was seen
// and what to do, with the particulars the diagnosis names.

#include <string>

#include "workflow/sequence_events.h"

namespace rlq {

struct CauseTexts {
    std::string seen;
    std::string hint;
};

CauseTexts TextsForCause(const SearchDiagnosis& diagnosis);

}  // namespace rlq
