#pragma once
// The console tool's and the desktop program's end on a termination signal.

#include "platform/support/exit_cleanup.h"

namespace rlq::platform {

// Starts a thread that, on SIGINT, SIGTERM, SIGHUP or SIGQUIT, runs `cleanup` and then ends the
// process by that signal, as it would have ended without us. SIGPIPE is ignored, so a closed
// output fails a write instead of killing the process while it holds an address or a file. Call
// before any other thread starts, so that all inherit the mask.
void RunCleanupOnTerminationSignals(ExitCleanup& cleanup);

}  // namespace rlq::platform
