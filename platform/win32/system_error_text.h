#pragma once
// The system's words for a Win32 or Winsock error code, in UTF-8.

#include <string>

namespace rlq::platform::win32 {

// "error N" where the system has no text for the code; no line end.
std::string SystemErrorText(unsigned long code);

}  // namespace rlq::platform::win32
