#include "platform/host_network.h"
#include "platform/linux/netlink_host_parts.h"

namespace rlq::platform {
namespace {

class NetlinkHostNetwork final : public HostNetwork {
  public:
    std::optional<AdapterSnapshot> ReadAdapters() override {
        return netlink::ReadAdapterSnapshot();
    }

    std::unique_ptr<RouteChangeWatch> WatchRouteChanges() override {
        return netlink::OpenRouteChangeWatch();
    }

    std::unique_ptr<AddressLease> AddAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                             Ipv4 mask) override {
        return netlink::AddInterfaceAddress(interfaceIndex, address, mask);
    }

    std::vector<std::string> RemoveLeftoverAddresses(Ipv4 address, Ipv4 mask) override {
        return netlink::RemoveExpiringAddresses(address, mask);
    }
};

}  // namespace

HostNetwork& SystemHostNetwork() {
    static NetlinkHostNetwork network;
    return network;
}

}  // namespace rlq::platform
