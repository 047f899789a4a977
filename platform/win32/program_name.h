#pragma once
// The name the program's own places on Windows go by: its folder under %LOCALAPPDATA% and its
// key under HKEY_LOCAL_MACHINE\SOFTWARE.

namespace rlq::platform::win32 {

inline constexpr wchar_t kProgramName[] = L"RLQ610ATotalUpdater";

}  // namespace rlq::platform::win32
