#pragma once
// rlq-updater-cli --history: the runs recorded in the history, oldest first, as a table for
// people or (--json) as the stored JSON lines. An empty history prints nothing.

#include <cstdio>
#include <string_view>

#include "frontends/cli/history_reader.h"

namespace rlq::cli {

// Writes to `out`; lines that are no entry are counted on `err`. Returns the exit status.
int PrintHistory(const HistoryRead& history, bool json, std::string_view programName,
                 std::FILE* out = stdout, std::FILE* err = stderr);

}  // namespace rlq::cli
