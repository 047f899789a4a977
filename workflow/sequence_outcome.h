#pragma once

namespace rlq {

// How the last run of the main sequence ended.
enum class SequenceOutcome {
    None,                // no run has ended yet
    Done,                // both units updated, or (check) both current
    RetryOffered,        // a unit was not found or its update failed
    SpecialModeOffered,  // the retry and the special mode are offered
    UpdateNeeded,        // check: both found, at least one differs from the carried image
};

}  // namespace rlq
