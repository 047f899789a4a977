#pragma once
// The POSIX temporary files with a name source of the caller's.

#include <functional>
#include <memory>
#include <string>

#include "platform/temp_file.h"

namespace rlq::platform {

// The system's temporary files with the names drawn from `nameSource` instead of the random
// source, so that tests can plant files at the names it will try.
std::unique_ptr<TempFiles> MakeSystemTempFiles(std::function<std::string()> nameSource);

}  // namespace rlq::platform
