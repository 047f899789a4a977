#pragma once
// An error as the system numbers and words it, for the log and the diagnosis to name.

#include <string>

namespace rlq::platform {

struct SystemError {
    int code = 0;      // errno, or the Winsock or Win32 code; 0 for none
    std::string text;  // the system's words for it

    friend bool operator==(const SystemError&, const SystemError&) = default;
};

}  // namespace rlq::platform
