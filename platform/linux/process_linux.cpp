#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include "platform/linux/unique_fd.h"
#include "platform/process.h"

namespace rlq::platform {
namespace {

constexpr int kCapNetAdmin = 12;

// An advisory lock on a file in the system's lock folder: system-wide, and released by the
// kernel when the holder ends, so a crashed instance never blocks the next start.
class FileLockGuard final : public SingleInstanceGuard {
  public:
    explicit FileLockGuard(UniqueFd fd) : m_fd(std::move(fd)) {}

  private:
    UniqueFd m_fd;
};

UniqueFd OpenLockFile(const std::string& name) {
    for (const char* folder : {"/run/lock/", "/tmp/"}) {
        const std::string path = std::string(folder) + name + ".lock";
        // O_NOFOLLOW: a planted link must not make a privileged instance create files elsewhere.
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd) {
            return fd;
        }
    }
    return UniqueFd();
}

class LinuxProcess final : public ProcessEnvironment {
  public:
    std::unique_ptr<SingleInstanceGuard> ClaimSingleInstance(std::string_view name) override {
        UniqueFd fd = OpenLockFile(std::string(name));
        if (!fd) {
            return std::make_unique<FileLockGuard>(UniqueFd());
        }
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            return held ? nullptr : std::make_unique<FileLockGuard>(UniqueFd());
        }
        return std::make_unique<FileLockGuard>(std::move(fd));
    }

    std::optional<std::string> ProgramPath() override {
        std::array<char, 4096> buffer{};
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
        if (length <= 0) {
            return std::nullopt;
        }
        return std::string(buffer.data(), static_cast<std::size_t>(length));
    }

    char PathSeparator() const override { return '/'; }

    bool SetCurrentDirectory(const std::string& path) override {
        return ::chdir(path.c_str()) == 0;
    }

    bool StartSockets() override { return true; }

    bool MayChangeAddresses() const override {
        // The effective capability set, as the kernel reports it for this process.
        std::FILE* status = std::fopen("/proc/self/status", "r");
        if (!status) {
            return false;
        }
        char line[256];
        unsigned long long effective = 0;
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "CapEff: %llx", &effective) == 1) {
                break;
            }
        }
        std::fclose(status);
        return (effective >> kCapNetAdmin) & 1u;
    }
};

}  // namespace

ProcessEnvironment& SystemProcess() {
    static LinuxProcess process;
    return process;
}

}  // namespace rlq::platform
