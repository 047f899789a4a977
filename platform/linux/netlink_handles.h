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

#include "common/free_with.h"
#include "common/ipv4.h"

namespace rlq::platform::netlink {

using Socket = std::unique_ptr<nl_sock, FreeWith<nl_socket_free>>;
using Cache = std::unique_ptr<nl_cache, FreeWith<nl_cache_free>>;
using Addr = std::unique_ptr<nl_addr, FreeWith<nl_addr_put>>;
using RouteAddr = std::unique_ptr<rtnl_addr, FreeWith<rtnl_addr_put>>;

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
