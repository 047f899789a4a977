// Adds an IPv4 address to an interface and removes exactly that address again.

#include <arpa/inet.h>
#include <sys/socket.h>

#include "platform/linux/netlink_handles.h"
#include "platform/linux/netlink_host_parts.h"

namespace rlq::platform::netlink {
namespace {

std::optional<int> MaskToPrefix(Ipv4 mask) {
    const Ipv4 hostPart = ~mask;
    if ((hostPart & (hostPart + 1)) != 0) {
        return std::nullopt;  // not a contiguous mask
    }
    int prefix = 0;
    for (Ipv4 bits = mask; bits != 0; bits <<= 1) {
        ++prefix;
    }
    return prefix;
}

Addr BuildAddr(Ipv4 address) {
    const std::uint32_t networkOrder = htonl(address);
    return Addr(nl_addr_build(AF_INET, &networkOrder, sizeof networkOrder));
}

class NetlinkAddressLease final : public AddressLease {
  public:
    NetlinkAddressLease(Socket sock, RouteAddr addr)
        : m_sock(std::move(sock)), m_addr(std::move(addr)) {}

    // The request names interface, address and prefix, so only the address added here goes.
    ~NetlinkAddressLease() override { rtnl_addr_delete(m_sock.get(), m_addr.get(), 0); }

  private:
    Socket m_sock;
    RouteAddr m_addr;
};

}  // namespace

std::unique_ptr<AddressLease> AddInterfaceAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                                  Ipv4 mask) {
    const auto prefix = MaskToPrefix(mask);
    Socket sock = ConnectRoute();
    RouteAddr addr(rtnl_addr_alloc());
    Addr local = BuildAddr(address);
    // Set explicitly: Linux gives an added address no broadcast address of its own, and the
    // directed broadcast of its subnet must be sendable and receivable.
    Addr broadcast = BuildAddr(address | ~mask);
    if (!prefix || !sock || !addr || !local || !broadcast) {
        return nullptr;
    }
    rtnl_addr_set_ifindex(addr.get(), static_cast<int>(interfaceIndex));
    rtnl_addr_set_family(addr.get(), AF_INET);
    if (rtnl_addr_set_local(addr.get(), local.get()) < 0 ||
        rtnl_addr_set_broadcast(addr.get(), broadcast.get()) < 0) {
        return nullptr;
    }
    rtnl_addr_set_prefixlen(addr.get(), *prefix);
    // NLM_F_EXCL: an address that is already there belongs to someone else and is refused, so
    // the lease never removes what it did not add.
    if (rtnl_addr_add(sock.get(), addr.get(), NLM_F_EXCL) < 0) {
        return nullptr;
    }
    return std::make_unique<NetlinkAddressLease>(std::move(sock), std::move(addr));
}

}  // namespace rlq::platform::netlink
