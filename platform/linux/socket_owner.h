#pragma once
// The process that holds a socket, found through /proc as far as this process may look.

#include <optional>

#include "platform/process.h"

namespace rlq::platform {

// Nullopt where no process this one may look into holds the socket `inode`.
std::optional<ProcessIdentity> OwnerOfSocket(unsigned long inode);

}  // namespace rlq::platform
