#pragma once
// The path of this process's image, for its own use and for matching firewall rules against it.

#include <optional>
#include <string>

namespace rlq::platform::win32 {

std::optional<std::wstring> ModulePath();

}  // namespace rlq::platform::win32
