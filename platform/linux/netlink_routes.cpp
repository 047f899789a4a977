// The IPv4 unicast routes of every routing table, through libnl: a route in a table of its own
// (a VPN's policy routing, a container runtime's) steers traffic just as the main table does.

#include <linux/rtnetlink.h>
#include <netlink/route/route.h>

#include "platform/linux/netlink_handles.h"
#include "platform/linux/netlink_host_parts.h"

namespace rlq::platform::netlink {

std::vector<RouteRow> ReadIpv4Routes() {
    std::vector<RouteRow> rows;
    const Socket sock = ConnectRoute();
    nl_cache* raw = nullptr;
    if (!sock || rtnl_route_alloc_cache(sock.get(), AF_INET, 0, &raw) < 0) {
        return rows;
    }
    const Cache routes(raw);
    ForEach<rtnl_route>(routes.get(), [&](rtnl_route* route) {
        nl_addr* destination = rtnl_route_get_dst(route);
        const std::optional<Ipv4> network = ToIpv4(destination);
        if (rtnl_route_get_type(route) != RTN_UNICAST || !network) {
            return;
        }
        const Ipv4 mask = PrefixMask(nl_addr_get_prefixlen(destination));
        for (int i = 0; i < rtnl_route_get_nnexthops(route); ++i) {
            rtnl_nexthop* hop = rtnl_route_nexthop_n(route, i);
            const int index = rtnl_route_nh_get_ifindex(hop);
            if (index > 0 && (rtnl_route_nh_get_flags(hop) & RTNH_F_DEAD) == 0) {
                rows.push_back({*network & mask, mask, static_cast<std::uint32_t>(index)});
            }
        }
    });
    return rows;
}

}  // namespace rlq::platform::netlink
