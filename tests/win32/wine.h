#pragma once
// What the Win32 tests must know of Wine, where it differs from Windows.

#include <windows.h>

namespace rlq::testing {

inline bool RunningUnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

}  // namespace rlq::testing
