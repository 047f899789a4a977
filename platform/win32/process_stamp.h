#pragma once
// Processes as their id and creation time name them, so that an id reused by a later program
// never passes for the process that had it.

#include "platform/support/address_add_record.h"

namespace rlq::platform::win32 {

ProcessStamp CurrentProcessStamp();

// True only when the system shows that the process has ended: no process has its id, the one
// that has it was created at another time, or it has exited. A process the system does not let
// us look at (another user's, as a rule) counts as running.
bool ProcessHasEnded(const ProcessStamp& stamp);

}  // namespace rlq::platform::win32
