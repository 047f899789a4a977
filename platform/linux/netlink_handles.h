#pragma once
// Owning handles for the libnl objects the host-network backend uses, and what it reads from them.

#include <netlink/addr.h>
#include <netlink/cache.h>
#include <netlink/netlink.h>
#include <netlink/route/addr.h>
#include <netlink/socket.h>

#include <sys/socket.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "common/ipv4.h"

namespace rlq::platform::netlink {

struct SocketFree {
    void operator()(nl_sock* sock) const { nl_socket_free(sock); }
};
struct CacheFree {
    void operator()(nl_cache* cache) const { nl_cache_free(cache); }
};
struct AddrPut {
    void operator()(nl_addr* addr) const { nl_addr_put(addr); }
};
struct RouteAddrPut {
    void operator()(rtnl_addr* addr) const { rtnl_addr_put(addr); }
};

using Socket = std::unique_ptr<nl_sock, SocketFree>;
using Cache = std::unique_ptr<nl_cache, CacheFree>;
using Addr = std::unique_ptr<nl_addr, AddrPut>;
using RouteAddr = std::unique_ptr<rtnl_addr, RouteAddrPut>;

// A route-netlink socket, connected; null on failure.
inline Socket ConnectRoute() {
    Socket sock(nl_socket_alloc());
    if (sock && nl_connect(sock.get(), NETLINK_ROUTE) != 0) {
        sock.reset();
    }
    return sock;
}

template <typename Object, typename Visit>
void ForEach(nl_cache* cache, Visit visit) {
    for (nl_object* object = nl_cache_get_first(cache); object != nullptr;
         object = nl_cache_get_next(object)) {
        visit(reinterpret_cast<Object*>(object));
    }
}

// Lifetime libnl reports for an address that never expires.
inline constexpr std::uint32_t kInfiniteLifetime = 0xFFFFFFFFu;

inline std::optional<Ipv4> ToIpv4(nl_addr* addr) {
    if (addr == nullptr || nl_addr_get_family(addr) != AF_INET || nl_addr_get_len(addr) != 4) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(nl_addr_get_binary_addr(addr));
    return MakeIpv4(bytes[0], bytes[1], bytes[2], bytes[3]);
}

}  // namespace rlq::platform::netlink
