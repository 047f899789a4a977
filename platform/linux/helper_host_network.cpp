#include "platform/linux/helper_host_network.h"

#include <linux/capability.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "common/temp_address.h"
#include "platform/linux/helper_protocol.h"

extern char** environ;

namespace rlq::platform {
namespace {

namespace protocol = net_helper;

constexpr char kPkexec[] = "pkexec";
// pkexec's own exit statuses.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorised = 127;

class HelperLease final : public AddressLease {
  public:
    HelperLease(HelperHostNetwork& helper, std::string id)
        : m_helper(helper), m_id(std::move(id)) {}
    // Waits for the helper's answer, so the address is gone when this returns.
    ~HelperLease() override { m_helper.Exchange(std::string(protocol::kRemove) + " " + m_id); }
    HelperLease(const HelperLease&) = delete;
    HelperLease& operator=(const HelperLease&) = delete;

  private:
    HelperHostNetwork& m_helper;
    std::string m_id;
};

// CAP_NET_ADMIN in the file's permitted set, with the effective flag, as setcap
// cap_net_admin+ep writes it.
bool HasNetAdminFileCapability(const std::string& path) {
    vfs_ns_cap_data data{};
    const ssize_t size = ::getxattr(path.c_str(), "security.capability", &data, sizeof data);
    if (size < static_cast<ssize_t>(XATTR_CAPS_SZ_2)) {
        return false;
    }
    const std::uint32_t magic = le32toh(data.magic_etc);
    const std::uint32_t revision = magic & VFS_CAP_REVISION_MASK;
    if (revision != VFS_CAP_REVISION_2 && revision != VFS_CAP_REVISION_3) {
        return false;
    }
    const std::uint32_t permitted = le32toh(data.data[CAP_TO_INDEX(CAP_NET_ADMIN)].permitted);
    return (magic & VFS_CAP_FLAGS_EFFECTIVE) != 0 && (permitted & CAP_TO_MASK(CAP_NET_ADMIN)) != 0;
}

}  // namespace

HelperHostNetwork::HelperHostNetwork(HostNetwork& reading, std::vector<std::string> command)
    : m_reading(reading), m_command(std::move(command)) {}

HelperHostNetwork::~HelperHostNetwork() {
    m_fd.Reset();  // the helper removes what is left and ends
    if (m_pid > 0) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

HelperStart HelperHostNetwork::Start() {
    int ends[2];
    if (m_command.empty() || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return HelperStart::Failed;
    }
    UniqueFd ours(ends[0]);
    UniqueFd helpers(ends[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, helpers.Get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, helpers.Get(), STDOUT_FILENO);
    // The program blocks termination signals and ignores SIGPIPE for its own handling; the
    // helper starts clean.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &pipe);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (std::string& argument : m_command) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    // Only the helper holds its end from now on, so its leaving shows here as the end of input.
    helpers.Reset();
    if (spawned != 0) {
        return HelperStart::Failed;
    }
    m_fd = std::move(ours);
    m_pid = pid;
    if (ReadLine() == protocol::kReady) {
        return HelperStart::Running;
    }
    m_fd.Reset();
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == kPkexecDismissed) {
        return HelperStart::Dismissed;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kPkexecNotAuthorised) {
        return HelperStart::NotAuthorised;
    }
    return HelperStart::Failed;
}

std::string HelperHostNetwork::ReadLine() {
    for (;;) {
        const auto end = m_pending.find('\n');
        if (end != std::string::npos) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return line;
        }
        if (m_pending.size() > protocol::kMaxLine) {
            return {};
        }
        char chunk[128];
        const ssize_t got = ::recv(m_fd.Get(), chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return {};
        }
        m_pending.append(chunk, static_cast<std::size_t>(got));
    }
}

std::string HelperHostNetwork::Exchange(const std::string& request) {
    std::lock_guard lock(m_lock);
    if (!m_fd || !SendAll(m_fd.Get(), request + "\n")) {
        return {};
    }
    return ReadLine();
}

std::unique_ptr<AddressLease> HelperHostNetwork::AddAddress(std::uint32_t interfaceIndex,
                                                            Ipv4 address, Ipv4 mask) {
    if (address != kTempAddress || mask != kTempMask) {
        return nullptr;
    }
    const std::string reply =
        Exchange(std::string(protocol::kAdd) + " " + std::to_string(interfaceIndex) + " " +
                 std::string(kTempAddressText));
    const std::string prefix = std::string(protocol::kLease) + " ";
    if (reply.rfind(prefix, 0) != 0) {
        return nullptr;  // refused, or the helper has gone
    }
    return std::make_unique<HelperLease>(*this, reply.substr(prefix.size()));
}

std::vector<std::string> HelperHostNetwork::RemoveLeftoverAddresses(Ipv4 address, Ipv4 mask) {
    std::vector<std::string> names;
    if (address != kTempAddress || mask != kTempMask) {
        return names;
    }
    std::istringstream reply(Exchange(std::string(protocol::kSweep)));
    std::string word;
    if (!(reply >> word) || word != protocol::kSwept) {
        return names;  // refused, or the helper has gone
    }
    while (reply >> word) {
        names.push_back(word);
    }
    return names;
}

std::vector<std::string> AddressHelperCommand(const std::string& helperPath) {
    if (HasNetAdminFileCapability(helperPath) && ::access(helperPath.c_str(), X_OK) == 0) {
        return {helperPath};
    }
    return {kPkexec, helperPath};
}

}  // namespace rlq::platform
