#include "firmware/transfer_busy.h"

namespace rlq {
namespace {
bool g_transferBusy = false;
}

bool IsTransferBusy() {
    return g_transferBusy;
}
void SetTransferBusy(bool busy) {
    g_transferBusy = busy;
}

}  // namespace rlq
