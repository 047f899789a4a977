// Process services on Win32: a named mutex as the single-instance guard, the module's own path,
// the current directory and Winsock's start-up.

#include <winsock2.h>

#include <windows.h>

#include <optional>
#include <string>

#include "platform/process.h"
#include "platform/win32/handle.h"
#include "platform/win32/module_path.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

constexpr WORD kWinsockVersion = MAKEWORD(1, 1);

// Holds the mutex handle; the named object exists while any instance holds a handle, and the
// system closes the handle when the process ends, however it ends.
class MutexGuard final : public SingleInstanceGuard {
  public:
    explicit MutexGuard(win32::UniqueHandle mutex) : m_mutex(std::move(mutex)) {}
    ~MutexGuard() override {
        if (m_mutex) {
            ::ReleaseMutex(m_mutex.Get());
        }
    }
    MutexGuard(const MutexGuard&) = delete;
    MutexGuard& operator=(const MutexGuard&) = delete;

  private:
    win32::UniqueHandle m_mutex;
};

class Win32Process final : public ProcessEnvironment {
  public:
    ~Win32Process() override {
        if (m_socketsStarted) {
            ::WSACleanup();
        }
    }

    std::unique_ptr<SingleInstanceGuard> ClaimSingleInstance(std::string_view name) override {
        const std::wstring wideName = win32::Widen(name);
        if (win32::UniqueHandle other(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, wideName.c_str()));
            other) {
            return nullptr;  // another instance runs
        }
        win32::UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, wideName.c_str()));
        // No handle: the name is another user's mutex (access denied) or another kind of object.
        // Running unguarded could let two copies update one unit, so it counts as another copy,
        // as does a mutex that the other instance created between the two calls.
        if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS) {
            return nullptr;
        }
        return std::make_unique<MutexGuard>(std::move(mutex));
    }

    std::optional<std::string> ProgramPath() override {
        const auto path = win32::ModulePath();
        return path ? std::optional(win32::Narrow(*path)) : std::nullopt;
    }

    char PathSeparator() const override { return '\\'; }

    bool SetCurrentDirectory(const std::string& path) override {
        return ::SetCurrentDirectoryW(win32::Widen(path).c_str()) != 0;
    }

    bool StartSockets() override {
        if (!m_socketsStarted) {
            WSADATA data;
            m_socketsStarted = ::WSAStartup(kWinsockVersion, &data) == 0;
        }
        return m_socketsStarted;
    }

    // The manifest makes the program run elevated, so adding addresses is allowed.
    bool MayChangeAddresses() const override { return true; }

  private:
    bool m_socketsStarted = false;
};

}  // namespace

ProcessEnvironment& SystemProcess() {
    static Win32Process process;
    return process;
}

}  // namespace rlq::platform
