#pragma once
// Owning handles for the libnl objects the host-network backend uses.

#include <netlink/addr.h>
#include <netlink/cache.h>
#include <netlink/netlink.h>
#include <netlink/route/addr.h>
#include <netlink/socket.h>

#include <memory>

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

}  // namespace rlq::platform::netlink
