#pragma once
// Process-wide: true while a transfer procedure runs. The main window refuses to close then.
// Touched only on the user-interface thread.

namespace rlq {

bool IsTransferBusy();
void SetTransferBusy(bool busy);

}  // namespace rlq
