#include "platform/win32/process_stamp.h"

#include <windows.h>

#include <optional>

#include "platform/win32/handle.h"

namespace rlq::platform::win32 {
namespace {

std::optional<std::uint64_t> CreationTime(HANDLE process) {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return std::nullopt;
    }
    return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

}  // namespace

ProcessStamp CurrentProcessStamp() {
    return {::GetCurrentProcessId(), CreationTime(::GetCurrentProcess()).value_or(0)};
}

bool ProcessHasEnded(const ProcessStamp& stamp) {
    UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, stamp.id));
    if (!process) {
        return ::GetLastError() == ERROR_INVALID_PARAMETER;  // no process has the id
    }
    // An ended process whose object someone still holds opens as well.
    if (::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) {
        return true;
    }
    const auto created = CreationTime(process.Get());
    return created && *created != stamp.creationTime;
}

}  // namespace rlq::platform::win32
