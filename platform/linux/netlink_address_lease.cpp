// Adds an IPv4 address to an interface and removes exactly that address again.
//
// The address is given a finite lifetime that a renewer thread keeps extending while the lease
// is held. Whatever ends the process, SIGKILL and crashes included, the kernel then removes the
// address (and its prefix route) by itself once the lifetime runs out. Until then the next run
// removes it: an address that expires while a transfer goes through it would break the transfer.

#include <arpa/inet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/ipv4.h"
#include "platform/linux/netlink_handles.h"
#include "platform/linux/netlink_host_parts.h"

namespace rlq::platform::netlink {
namespace {

std::optional<int> MaskToPrefix(Ipv4 mask) {
    const int prefix = PrefixLength(mask);
    if (PrefixMask(static_cast<unsigned>(prefix)) != mask) {
        return std::nullopt;  // not a contiguous mask
    }
    return prefix;
}

Addr BuildAddr(Ipv4 address) {
    const std::uint32_t networkOrder = htonl(address.HostOrder());
    return Addr(nl_addr_build(AF_INET, &networkOrder, sizeof networkOrder));
}

// Extends the lifetime of one address every kLeaseRenewInterval until stopped. It has a socket
// of its own, so no route wait, transfer or user interface can hold it up. An address that is
// gone was taken off by someone else: it is neither put back nor, later, deleted.
class LifetimeRenewer {
  public:
    LifetimeRenewer(Socket sock, rtnl_addr* addr)
        : m_sock(std::move(sock)), m_addr(addr), m_thread([this] { Run(); }) {}

    ~LifetimeRenewer() { Stop(); }

    LifetimeRenewer(const LifetimeRenewer&) = delete;
    LifetimeRenewer& operator=(const LifetimeRenewer&) = delete;

    // Ends the renewals; true when the address was found gone meanwhile.
    bool Stop() {
        {
            std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_lost;
    }

  private:
    void Run() {
        std::unique_lock lock(m_mutex);
        std::chrono::seconds wait = kLeaseRenewInterval;
        while (!m_wake.wait_for(lock, wait, [this] { return m_stopped; })) {
            if (!IsPresent()) {
                m_lost = true;
                return;
            }
            // NLM_F_REPLACE on an existing address sets its lifetime and touches no route. A
            // failed renewal is tried again soon, well within the lifetime.
            wait = rtnl_addr_add(m_sock.get(), m_addr, NLM_F_REPLACE) < 0 ? kLeaseRetryInterval
                                                                          : kLeaseRenewInterval;
        }
    }

    // True unless the address is known to be gone; a failed look counts as present.
    bool IsPresent() {
        nl_cache* raw = nullptr;
        if (rtnl_addr_alloc_cache(m_sock.get(), &raw) < 0) {
            return true;
        }
        Cache addresses(raw);
        nl_object* found = nl_cache_search(addresses.get(), OBJ_CAST(m_addr));
        if (found == nullptr) {
            return false;
        }
        nl_object_put(found);
        return true;
    }

    Socket m_sock;
    rtnl_addr* m_addr;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopped = false;
    bool m_lost = false;
    std::thread m_thread;
};

class NetlinkAddressLease final : public AddressLease {
  public:
    NetlinkAddressLease(Socket sock, RouteAddr addr, std::unique_ptr<LifetimeRenewer> renewer)
        : m_sock(std::move(sock)), m_addr(std::move(addr)), m_renewer(std::move(renewer)) {}

    // The request names interface, address and prefix, so only the address added here goes.
    ~NetlinkAddressLease() override {
        if (!m_renewer->Stop()) {
            rtnl_addr_delete(m_sock.get(), m_addr.get(), 0);
        }
    }

  private:
    Socket m_sock;
    RouteAddr m_addr;
    std::unique_ptr<LifetimeRenewer> m_renewer;
};

// What a lease leaves when its holder dies: a finite lifetime of at most kLeaseLifetime. A
// permanent address was configured by someone, and a DHCP lease has more time left as a rule.
bool IsLeaseLeftover(rtnl_addr* addr) {
    const std::uint32_t valid = rtnl_addr_get_valid_lifetime(addr);
    return valid != kInfiniteLifetime &&
           valid <= static_cast<std::uint32_t>(kLeaseLifetime.count());
}

std::string InterfaceName(int interfaceIndex) {
    char name[IF_NAMESIZE] = {};
    return ::if_indextoname(static_cast<unsigned>(interfaceIndex), name) != nullptr
               ? std::string(name)
               : std::to_string(interfaceIndex);
}

}  // namespace

std::vector<std::string> RemoveExpiringAddresses(Ipv4 address, Ipv4 mask) {
    std::vector<std::string> removed;
    const auto prefix = MaskToPrefix(mask);
    Socket sock = ConnectRoute();
    nl_cache* raw = nullptr;
    if (!prefix || !sock || rtnl_addr_alloc_cache(sock.get(), &raw) < 0) {
        return removed;
    }
    Cache addresses(raw);
    ForEach<rtnl_addr>(addresses.get(), [&](rtnl_addr* addr) {
        if (rtnl_addr_get_family(addr) == AF_INET && ToIpv4(rtnl_addr_get_local(addr)) == address &&
            rtnl_addr_get_prefixlen(addr) == *prefix && IsLeaseLeftover(addr) &&
            rtnl_addr_delete(sock.get(), addr, 0) == 0) {
            removed.push_back(InterfaceName(rtnl_addr_get_ifindex(addr)));
        }
    });
    return removed;
}

std::unique_ptr<AddressLease> AddInterfaceAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                                  Ipv4 mask) {
    const auto prefix = MaskToPrefix(mask);
    Socket sock = ConnectRoute();
    Socket renewSock = ConnectRoute();
    RouteAddr addr(rtnl_addr_alloc());
    Addr local = BuildAddr(address);
    // Set explicitly: Linux gives an added address no broadcast address of its own, and the
    // directed broadcast of its subnet must be sendable and receivable.
    Addr broadcast = BuildAddr(address | ~mask);
    if (!prefix || !sock || !renewSock || !addr || !local || !broadcast) {
        return nullptr;
    }
    rtnl_addr_set_ifindex(addr.get(), static_cast<int>(interfaceIndex));
    rtnl_addr_set_family(addr.get(), AF_INET);
    if (rtnl_addr_set_local(addr.get(), local.get()) < 0 ||
        rtnl_addr_set_broadcast(addr.get(), broadcast.get()) < 0) {
        return nullptr;
    }
    rtnl_addr_set_prefixlen(addr.get(), *prefix);
    const auto lifetime = static_cast<std::uint32_t>(kLeaseLifetime.count());
    rtnl_addr_set_valid_lifetime(addr.get(), lifetime);
    rtnl_addr_set_preferred_lifetime(addr.get(), lifetime);
    // Running before the address exists, so that nothing can fail between the add and the lease.
    auto renewer = std::make_unique<LifetimeRenewer>(std::move(renewSock), addr.get());
    // NLM_F_EXCL: an address that is already there belongs to someone else and is refused, so
    // the lease never removes what it did not add.
    if (rtnl_addr_add(sock.get(), addr.get(), NLM_F_EXCL) < 0) {
        return nullptr;
    }
    return std::make_unique<NetlinkAddressLease>(std::move(sock), std::move(addr),
                                                 std::move(renewer));
}

}  // namespace rlq::platform::netlink
