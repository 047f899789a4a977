#include <linux/if.h>
#include <linux/if_arp.h>

#include <gtest/gtest.h>

#include "platform/host_network.h"
#include "platform/linux/link_classification.h"

namespace rlq::platform::linux_links {
namespace {

TEST(LinkClassification, OnlyWiredEthernetIsType6) {
    EXPECT_EQ(InterfaceType(ARPHRD_ETHER, false), kIfTypeEthernet);
    EXPECT_EQ(InterfaceType(ARPHRD_ETHER, true), kIfTypeIeee80211);
    EXPECT_EQ(InterfaceType(ARPHRD_LOOPBACK, false), kIfTypeSoftwareLoopback);
    EXPECT_EQ(InterfaceType(ARPHRD_NONE, false), kIfTypeOther);
}

TEST(LinkClassification, OperStateMapsOntoInterfaceTableStates) {
    const unsigned up = IFF_UP;
    const unsigned running = IFF_UP | IFF_RUNNING;
    EXPECT_EQ(OperStatus(IF_OPER_UP, running), kOperOperational);
    EXPECT_EQ(OperStatus(IF_OPER_UNKNOWN, running), kOperOperational);
    EXPECT_EQ(OperStatus(IF_OPER_UNKNOWN, up), kOperDisconnected);
    EXPECT_EQ(OperStatus(IF_OPER_DORMANT, up), kOperConnecting);
    EXPECT_EQ(OperStatus(IF_OPER_DOWN, up), kOperDisconnected);
    EXPECT_EQ(OperStatus(IF_OPER_LOWERLAYERDOWN, up), kOperDisconnected);
    EXPECT_EQ(OperStatus(IF_OPER_NOTPRESENT, up), kOperNonOperational);
    EXPECT_EQ(OperStatus(IF_OPER_UP, 0), kOperNonOperational);
}

}  // namespace
}  // namespace rlq::platform::linux_links
