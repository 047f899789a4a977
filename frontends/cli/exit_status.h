#pragma once
// The console tool's exit statuses; --help and the man page list the same.

namespace rlq::cli {

constexpr int kExitDone = 0;                // both units updated, or found current
constexpr int kExitRetryOffered = 1;        // the run ended with the retry offered
constexpr int kExitSpecialModeOffered = 2;  // ended with the special mode offered too
constexpr int kExitUpdateNeeded = 3;  // --check: a unit's version differs from the carried one
constexpr int kExitUsage = 64;        // EX_USAGE: the command line was not understood

}  // namespace rlq::cli
