#pragma once
// The IP Helper tables' two-call read: the first call, without a buffer, reports the size.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace rlq::platform::win32 {

// `read(buffer, &size)`; the first call must answer `sizeError` with the size needed.
template <typename Read>
std::optional<std::vector<std::uint8_t>> ReadSized(DWORD sizeError, Read read) {
    ULONG size = 0;
    if (read(nullptr, &size) != sizeError || size == 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> buffer(size);
    if (read(buffer.data(), &size) != NO_ERROR) {
        return std::nullopt;
    }
    return buffer;
}

}  // namespace rlq::platform::win32
