#include "platform/linux/link_classification.h"

#include <linux/if.h>
#include <linux/if_arp.h>

#include "platform/host_network.h"

namespace rlq::platform::linux_links {

std::uint32_t InterfaceType(unsigned arpType, bool wireless) {
    switch (arpType) {
        case ARPHRD_ETHER:
            return wireless ? kIfTypeIeee80211 : kIfTypeEthernet;
        case ARPHRD_LOOPBACK:
            return kIfTypeSoftwareLoopback;
        default:
            return kIfTypeOther;
    }
}

std::uint32_t OperStatus(std::uint8_t operState, unsigned flags) {
    if ((flags & IFF_UP) == 0) {
        return kOperNonOperational;
    }
    switch (operState) {
        case IF_OPER_UP:
            return kOperOperational;
        case IF_OPER_UNKNOWN:
            return (flags & IFF_RUNNING) != 0 ? kOperOperational : kOperDisconnected;
        case IF_OPER_DORMANT:
            return kOperConnecting;
        case IF_OPER_DOWN:
        case IF_OPER_LOWERLAYERDOWN:
            return kOperDisconnected;
        default:
            return kOperNonOperational;
    }
}

}  // namespace rlq::platform::linux_links
