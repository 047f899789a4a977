#pragma once
// The exit statuses of the console tool, and the names its JSON "status" line and the history give
// them; --help and the man page list the same. Every front end records its runs with them.

#include <string_view>

#include "workflow/sequence_events.h"

namespace rlq {

constexpr int kExitDone = 0;                // both units updated, or found current
constexpr int kExitRetryOffered = 1;        // the run ended with the retry offered
constexpr int kExitSpecialModeOffered = 2;  // ended with the special mode offered too
constexpr int kExitUpdateNeeded = 3;        // --check: a unit's version differs from the carried
constexpr int kExitUsage = 64;              // EX_USAGE: the command line was not understood

struct ExitFor {
    int status;
    std::string_view outcome;
};

// No rights to change addresses, another copy running, or start-up failed.
constexpr ExitFor kNotStarted{kExitRetryOffered, "not-started"};

constexpr ExitFor ExitForOutcome(SequenceOutcome outcome, bool check) {
    switch (outcome) {
        case SequenceOutcome::Done:
            return {kExitDone, check ? "current" : "done"};
        case SequenceOutcome::RetryOffered:
            return {kExitRetryOffered, "retry-offered"};
        case SequenceOutcome::SpecialModeOffered:
            return {kExitSpecialModeOffered, "special-mode-offered"};
        case SequenceOutcome::UpdateNeeded:
            return {kExitUpdateNeeded, "update-needed"};
        case SequenceOutcome::None:
            break;
    }
    return kNotStarted;
}

}  // namespace rlq
