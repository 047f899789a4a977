#pragma once
// Ownership of registry keys.

#include <windows.h>

#include <memory>
#include <type_traits>

#include "common/free_with.h"

namespace rlq::platform::win32 {

using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, FreeWith<::RegCloseKey>>;

}  // namespace rlq::platform::win32
