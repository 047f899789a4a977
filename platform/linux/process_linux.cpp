#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/linux/proc_net_tables.h"
#include "platform/linux/socket_owner.h"
#include "platform/linux/unique_fd.h"
#include "platform/process.h"

namespace rlq::platform {
namespace {

constexpr int kCapNetAdmin = 12;

// A name in the abstract Unix socket namespace, bound for as long as the guard lives. Every copy
// in this network namespace sees the same name whatever its user and umask; there is no file
// that another user could plant, pre-create or link; and the kernel drops the name when the
// holder ends, however it ends, so a crashed copy never blocks the next start.
class BoundNameGuard final : public SingleInstanceGuard {
  public:
    explicit BoundNameGuard(UniqueFd socket) : m_socket(std::move(socket)) {}

  private:
    UniqueFd m_socket;
};

// Null when the name is bound already, or cannot be bound at all.
UniqueFd BindAbstractName(std::string_view name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // sun_path[0] stays NUL: that makes the name abstract.
    if (name.empty() || name.size() >= sizeof address.sun_path) {
        return UniqueFd();
    }
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (!socket || ::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        return UniqueFd();
    }
    return socket;
}

class LinuxProcess final : public ProcessEnvironment {
  public:
    std::unique_ptr<SingleInstanceGuard> ClaimSingleInstance(std::string_view name) override {
        UniqueFd socket = BindAbstractName(name);
        if (!socket) {
            return nullptr;
        }
        return std::make_unique<BoundNameGuard>(std::move(socket));
    }

    std::optional<ProcessIdentity> SingleInstanceHolder(std::string_view name) override {
        const unsigned long inode =
            proc_net::UnixInodeOfAbstractName(proc_net::ReadTable("/proc/net/unix"), name);
        return inode != 0 ? OwnerOfSocket(inode) : std::nullopt;
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
