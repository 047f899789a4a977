#pragma once
// Host networking for a process without CAP_NET_ADMIN: adapters and route watches are read in
// process (an unprivileged netlink socket can), while adding and removing the temporary address
// go to rlq-net-helper, started once per run. The helper removes what it added when this
// object, or the whole process, goes away.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/linux/unique_fd.h"

namespace rlq::platform {

enum class HelperStart {
    Running,        // the helper runs with its rights
    Dismissed,      // the user dismissed the authentication dialog
    NotAuthorised,  // authentication failed or was not possible
    Failed,         // the helper could not be run at all
};

class HelperHostNetwork final : public HostNetwork {
  public:
    // `reading` serves adapters and route watches; `command` starts the helper (argv).
    HelperHostNetwork(HostNetwork& reading, std::vector<std::string> command);
    ~HelperHostNetwork() override;
    HelperHostNetwork(const HelperHostNetwork&) = delete;
    HelperHostNetwork& operator=(const HelperHostNetwork&) = delete;

    // Starts the helper and waits until it runs or has ended; may wait for the user's
    // authentication. Call once, before any address is added.
    HelperStart Start();

    std::optional<AdapterSnapshot> ReadAdapters() override { return m_reading.ReadAdapters(); }
    std::unique_ptr<RouteChangeWatch> WatchRouteChanges() override {
        return m_reading.WatchRouteChanges();
    }
    // Only 10.10.1.1/255.0.0.0, which is all the program adds; null for anything else.
    std::unique_ptr<AddressLease> AddAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                             Ipv4 mask) override;
    // Only 10.10.1.1/255.0.0.0, as above.
    std::vector<std::string> RemoveLeftoverAddresses(Ipv4 address, Ipv4 mask) override;

    // One request and its reply line; empty when the helper has gone. Used by the leases.
    std::string Exchange(const std::string& request);

  private:
    std::string ReadLine();

    HostNetwork& m_reading;
    std::vector<std::string> m_command;
    std::mutex m_lock;  // one exchange at a time: discovery and the update run on two threads
    UniqueFd m_fd;      // the helper's standard input and output
    int m_pid = -1;
    std::string m_pending;  // received bytes after the last full line
};

// The command that starts the installed helper at `helperPath`: the helper itself when it
// carries CAP_NET_ADMIN as a file capability and this user may run it, otherwise pkexec.
std::vector<std::string> AddressHelperCommand(const std::string& helperPath);

}  // namespace rlq::platform
