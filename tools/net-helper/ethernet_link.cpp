#include "tools/net-helper/ethernet_link.h"

#include <linux/if_arp.h>
#include <netlink/netlink.h>
#include <netlink/route/link.h>
#include <netlink/socket.h>

#include <memory>

namespace rlq::net_helper {
namespace {

struct SocketFree {
    void operator()(nl_sock* sock) const { nl_socket_free(sock); }
};
struct LinkPut {
    void operator()(rtnl_link* link) const { rtnl_link_put(link); }
};

}  // namespace

bool IsEthernetInterface(std::uint32_t interfaceIndex) {
    std::unique_ptr<nl_sock, SocketFree> sock(nl_socket_alloc());
    if (!sock || nl_connect(sock.get(), NETLINK_ROUTE) != 0) {
        return false;
    }
    rtnl_link* raw = nullptr;
    if (rtnl_link_get_kernel(sock.get(), static_cast<int>(interfaceIndex), nullptr, &raw) < 0) {
        return false;
    }
    std::unique_ptr<rtnl_link, LinkPut> link(raw);
    return rtnl_link_get_arptype(link.get()) == ARPHRD_ETHER;
}

}  // namespace rlq::net_helper
