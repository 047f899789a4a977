#include "platform/win32/module_path.h"

#include <windows.h>

#include <vector>

namespace rlq::platform::win32 {

std::optional<std::wstring> ModulePath() {
    // Long paths: grow the buffer until the path fits instead of taking a cut one.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return std::nullopt;
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace rlq::platform::win32
