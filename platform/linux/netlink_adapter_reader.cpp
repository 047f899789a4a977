// Reads links, IPv4 addresses and default gateways in one pass of netlink dumps.

#include <linux/if_arp.h>
#include <linux/rtnetlink.h>
#include <netlink/route/link.h>
#include <netlink/route/route.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "common/temp_address.h"
#include "platform/linux/link_classification.h"
#include "platform/linux/netlink_handles.h"
#include "platform/linux/netlink_host_parts.h"

namespace rlq::platform::netlink {
namespace {

bool IsWireless(const char* name) {
    if (name == nullptr) {
        return false;
    }
    const std::filesystem::path device = std::filesystem::path("/sys/class/net") / name;
    std::error_code ignored;
    return std::filesystem::exists(device / "wireless", ignored) ||
           std::filesystem::exists(device / "phy80211", ignored);
}

PhysicalAddress PhysicalAddressOf(rtnl_link* link) {
    PhysicalAddress result{};
    if (nl_addr* addr = rtnl_link_get_addr(link)) {
        const std::size_t length = std::min<std::size_t>(nl_addr_get_len(addr), result.size());
        std::memcpy(result.data(), nl_addr_get_binary_addr(addr), length);
    }
    return result;
}

bool IsDefaultRoute(rtnl_route* route) {
    if (rtnl_route_get_table(route) != RT_TABLE_MAIN || rtnl_route_get_type(route) != RTN_UNICAST) {
        return false;
    }
    nl_addr* dst = rtnl_route_get_dst(route);
    return dst == nullptr || nl_addr_get_prefixlen(dst) == 0;
}

// First default gateway of the main table per interface index, in the kernel's order.
std::map<int, Ipv4> DefaultGateways(nl_cache* routes) {
    std::map<int, Ipv4> gateways;
    ForEach<rtnl_route>(routes, [&](rtnl_route* route) {
        if (!IsDefaultRoute(route)) {
            return;
        }
        const int hops = rtnl_route_get_nnexthops(route);
        for (int i = 0; i < hops; ++i) {
            rtnl_nexthop* hop = rtnl_route_nexthop_n(route, i);
            if (const auto gateway = ToIpv4(rtnl_route_nh_get_gateway(hop))) {
                gateways.emplace(rtnl_route_nh_get_ifindex(hop), *gateway);
            }
        }
    });
    return gateways;
}

// DHCP clients give their addresses a finite lifetime; static ones never expire. Linux keeps no
// other record of how an address was configured. The temporary address has a finite lifetime of
// its own and says nothing about the adapter.
void AddAddresses(nl_cache* addresses, int interfaceIndex, AdapterRecord& adapter) {
    ForEach<rtnl_addr>(addresses, [&](rtnl_addr* addr) {
        if (rtnl_addr_get_ifindex(addr) != interfaceIndex ||
            rtnl_addr_get_family(addr) != AF_INET) {
            return;
        }
        const auto local = ToIpv4(rtnl_addr_get_local(addr));
        if (!local) {
            return;
        }
        const auto prefixLength = static_cast<unsigned>(rtnl_addr_get_prefixlen(addr));
        adapter.addresses.push_back({*local, PrefixMask(prefixLength)});
        if (rtnl_addr_get_valid_lifetime(addr) != kInfiniteLifetime && *local != kTempAddress) {
            adapter.dhcpEnabled = true;
        }
    });
}

}  // namespace

std::optional<AdapterSnapshot> ReadAdapterSnapshot() {
    Socket sock = ConnectRoute();
    if (!sock) {
        return std::nullopt;
    }
    nl_cache* raw = nullptr;
    if (rtnl_link_alloc_cache(sock.get(), AF_UNSPEC, &raw) < 0) {
        return std::nullopt;
    }
    Cache links(raw);
    if (rtnl_addr_alloc_cache(sock.get(), &raw) < 0) {
        return std::nullopt;
    }
    Cache addresses(raw);
    if (rtnl_route_alloc_cache(sock.get(), AF_INET, 0, &raw) < 0) {
        return std::nullopt;
    }
    Cache routes(raw);

    std::vector<rtnl_link*> ordered;
    ForEach<rtnl_link>(links.get(), [&](rtnl_link* link) { ordered.push_back(link); });
    std::sort(ordered.begin(), ordered.end(), [](rtnl_link* a, rtnl_link* b) {
        return rtnl_link_get_ifindex(a) < rtnl_link_get_ifindex(b);
    });

    const std::map<int, Ipv4> gateways = DefaultGateways(routes.get());
    AdapterSnapshot snapshot;
    snapshot.interfaceCount = static_cast<std::uint32_t>(ordered.size());
    for (rtnl_link* link : ordered) {
        const unsigned arpType = rtnl_link_get_arptype(link);
        const PhysicalAddress physical = PhysicalAddressOf(link);
        snapshot.interfaces.push_back(
            {physical, linux_links::InterfaceType(arpType, IsWireless(rtnl_link_get_name(link))),
             linux_links::OperStatus(rtnl_link_get_operstate(link), rtnl_link_get_flags(link))});
        if (arpType == ARPHRD_LOOPBACK) {
            continue;  // the loopback is an interface but not an adapter
        }
        const int index = rtnl_link_get_ifindex(link);
        AdapterRecord adapter;
        if (const char* name = rtnl_link_get_name(link)) {
            adapter.name = name;
        }
        adapter.physicalAddress = physical;
        adapter.interfaceIndex = static_cast<std::uint32_t>(index);
        AddAddresses(addresses.get(), index, adapter);
        if (const auto gateway = gateways.find(index); gateway != gateways.end()) {
            adapter.firstGateway = gateway->second;
        }
        snapshot.adapters.push_back(std::move(adapter));
    }
    return snapshot;
}

}  // namespace rlq::platform::netlink
