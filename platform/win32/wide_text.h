#pragma once
// Text is UTF-8 inside the program; the wide Win32 API takes UTF-16. Converted at the call.

#include <string>
#include <string_view>

namespace rlq::platform::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Bytes `utf8` takes in the system's narrow code page (CP_ACP, CP932 on a Japanese system), a
// character the code page lacks counted as its replacement.
std::size_t SystemCodePageLength(std::string_view utf8);

// Text in the system's narrow code page (what the ANSI API gives) as UTF-8.
std::string FromSystemCodePage(std::string_view text);

}  // namespace rlq::platform::win32
