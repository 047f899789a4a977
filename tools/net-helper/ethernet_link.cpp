#include "tools/net-helper/ethernet_link.h"

#include <linux/if_arp.h>
#include <netlink/route/link.h>

#include <memory>

#include "common/free_with.h"
#include "platform/linux/netlink_handles.h"

namespace rlq::net_helper {

bool IsEthernetInterface(std::uint32_t interfaceIndex) {
    const platform::netlink::Socket sock = platform::netlink::ConnectRoute();
    if (!sock) {
        return false;
    }
    rtnl_link* raw = nullptr;
    if (rtnl_link_get_kernel(sock.get(), static_cast<int>(interfaceIndex), nullptr, &raw) < 0) {
        return false;
    }
    std::unique_ptr<rtnl_link, FreeWith<rtnl_link_put>> link(raw);
    return rtnl_link_get_arptype(link.get()) == ARPHRD_ETHER;
}

}  // namespace rlq::net_helper
