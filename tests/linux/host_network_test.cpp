// The netlink backend: the mapping of link types and states, then the adapters, the temporary
// address and the route watch as root in the PC namespace of tests/netns/with-netns.sh (CTest
// runs the Netns cases there and lists the others one by one).

#include <linux/if.h>
#include <linux/if_arp.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "net/adapter_list.h"
#include "net/reply.h"
#include "platform/host_network.h"
#include "platform/linux/link_classification.h"
#include "platform/linux/proc_net_tables.h"
#include "platform/search_probes.h"
#include "platform/udp_socket.h"
#include "tests/netns/pc_namespace.h"

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

namespace rlq::testing {
namespace {

using Clock = std::chrono::steady_clock;

class NetnsAdapters : public PcNamespaceTest {};
class NetnsTempAddress : public PcNamespaceTest {};

void Shell(const std::string& command) {
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string Capture(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) {
            output += chunk;
        }
        ::pclose(pipe);
    }
    return output;
}

// The temporary address's remaining valid lifetime in seconds: 0 when it never expires, -1
// when it is absent.
int TempAddressLifetime() {
    const std::string line =
        Capture("ip -4 -o addr show dev " + Env("RLQ_PC_IF") + " to " + FormatIpv4(kTempAddress));
    const auto at = line.find("valid_lft ");
    return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + 10);
}

TEST(ProcNetTables, PortsReadInTheirByteOrders) {
    const std::string udp =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
        "timeout inode ref pointer drops\n"
        "  12: 0A4DA8C0:2F48 00000000:0000 07 00000000:00000000 00:00000000 00000000     0 "
        "       0 4711 2 0000000000000000 0\n"
        "  13: 00000000:482F 00000000:0000 07 00000000:00000000 00:00000000 00000000     0 "
        "       0 4712 2 0000000000000000 0\n";
    EXPECT_EQ(platform::proc_net::UdpInodesOnPort(udp, 12104), std::vector<unsigned long>{4711});
    const std::string udp6 =
        "  sl  local_address                         remote_address                        st "
        "tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
        "   5: 00000000000000000000000000000000:2F48 00000000000000000000000000000000:0000 07 "
        "00000000:00000000 00:00000000 00000000     0        0 99 2 0000000000000000 0\n";
    EXPECT_EQ(platform::proc_net::UdpInodesOnPort(udp6, 12104), std::vector<unsigned long>{99});

    // A bound abstract name, a path name that ends like it, and a name it only begins.
    const std::string unix =
        "Num       RefCount Protocol Flags    Type St Inode Path\n"
        "0000000000000000: 00000002 00000000 00010000 0001 01 31 /run/RLQUpdater\n"
        "0000000000000000: 00000002 00000000 00000000 0001 01 32 @RLQUpdaterX\n"
        "0000000000000000: 00000003 00000000 00000000 0001 03 33\n"
        "0000000000000000: 00000002 00000000 00000000 0001 01 34 @RLQUpdater\n";
    EXPECT_EQ(platform::proc_net::UnixInodeOfAbstractName(unix, "RLQUpdater"), 34u);
    EXPECT_EQ(platform::proc_net::UnixInodeOfAbstractName(unix, "Other"), 0u);
}

// The looks behind a diagnosis, against the kernel's own tables: the holder of the reply port is
// this process, pc0's route is there, and the capture notes a datagram to the port from the unit
// side and not one to the port beside it.
TEST_F(NetnsAdapters, ProbesSeeThePortsHolderTheRoutesAndWhatArrives) {
    auto& probes = platform::SystemSearchProbes();
    auto capture = probes.CaptureUdpArrivals(kDiscoveryReplyPort);
    ASSERT_NE(capture, nullptr);
    platform::UdpOptions onReplyPort;
    onReplyPort.bindPort = kDiscoveryReplyPort;
    const auto holder = platform::SystemUdpSockets().Open(onReplyPort);
    ASSERT_NE(holder, nullptr);
    const auto holders = probes.UdpPortHolders(kDiscoveryReplyPort);
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].processId, static_cast<std::uint32_t>(::getpid()));

    // pc0's own route in the main table, one of a table of its own, and no reject route.
    Shell("ip route add 10.1.0.0/16 dev " + Env("RLQ_PC_IF") + " table 100");
    Shell("ip route add unreachable 10.2.0.0/16 table 100");
    const auto routes = probes.Ipv4Routes();
    Shell("ip route flush table 100");
    const auto has = [&routes](Ipv4 destination, Ipv4 mask) {
        return std::any_of(routes.begin(), routes.end(), [&](const platform::RouteRow& r) {
            return r.destination == destination && r.mask == mask && r.interfaceIndex == PcIndex();
        });
    };
    EXPECT_TRUE(has(MakeIpv4(192, 168, 77, 0), PrefixMask(24)));
    EXPECT_TRUE(has(MakeIpv4(10, 1, 0, 0), PrefixMask(16)));
    EXPECT_FALSE(std::any_of(routes.begin(), routes.end(), [](const platform::RouteRow& r) {
        return r.destination == MakeIpv4(10, 2, 0, 0);
    }));

    for (int port : {kDiscoveryReplyPort + 1, kDiscoveryReplyPort + 0}) {
        Shell("ip netns exec " + Env("RLQ_NS_UNIT") +
              " python3 -c 'import socket; socket.socket(socket.AF_INET, socket.SOCK_DGRAM)"
              ".sendto(b\"x\", (\"" +
              Env("RLQ_PC_ADDR") + "\", " + std::to_string(port) + "))'");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(capture->TakeSenders(), std::vector<Ipv4>{EnvAddress("RLQ_MAIN_ADDR")});
}

TEST_F(NetnsAdapters, SnapshotShowsTheVethWithItsGateway) {
    Shell("ip route add default via " + Env("RLQ_MAIN_ADDR") + " dev " + Env("RLQ_PC_IF"));
    CAdapterList list(platform::SystemHostNetwork());
    std::int32_t count = 0;
    const AdapterEntry* entries = nullptr;
    list.Enumerate(count, entries);

    ASSERT_EQ(count, 1);  // the loopback is no Ethernet adapter
    EXPECT_EQ(entries[0].address, EnvAddress("RLQ_PC_ADDR"));
    EXPECT_EQ(entries[0].mask, MakeIpv4(255, 255, 255, 0));
    EXPECT_EQ(entries[0].gateway, EnvAddress("RLQ_MAIN_ADDR"));
    EXPECT_EQ(entries[0].interfaceIndex, PcIndex());
    EXPECT_EQ(entries[0].dhcp, 0);

    Shell("ip link set " + Env("RLQ_PC_IF") + " down");
    list.Enumerate(count, entries);
    EXPECT_EQ(count, 0);
    Shell("ip link set " + Env("RLQ_PC_IF") + " up");
}

// A killed holder cannot remove its address: the kernel does, once a lifetime runs out that only
// a living holder renews. The prefix route and the adapter's DHCP flag stay as without one.
TEST_F(NetnsTempAddress, HasABoundedLifetimeThatALivingHolderRenews) {
    auto lease = platform::SystemHostNetwork().AddAddress(PcIndex(), kTempAddress, kTempMask);
    ASSERT_NE(lease, nullptr);
    const int first = TempAddressLifetime();
    EXPECT_GT(first, 0);
    EXPECT_LE(first, 30);
    EXPECT_NE(Capture("ip route show 10.0.0.0/8"), "");
    CAdapterList list(platform::SystemHostNetwork());
    std::int32_t count = 0;
    const AdapterEntry* entries = nullptr;
    list.Enumerate(count, entries);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(entries[0].dhcp + entries[1].dhcp, 0) << "the temporary address is no DHCP lease";

    std::this_thread::sleep_for(std::chrono::milliseconds(11500));
    EXPECT_GT(TempAddressLifetime(), 25) << "renewed while held";
    lease.reset();
    EXPECT_EQ(TempAddressLifetime(), -1);
    EXPECT_EQ(Capture("ip route show 10.0.0.0/8"), "");
}

// Taken off by someone else while held: the renewal does not put it back, and the lease's end
// leaves alone an address of the same name that someone added afterwards.
TEST_F(NetnsTempAddress, AnAddressTakenOffMeanwhileIsNeitherRenewedNorDeleted) {
    auto lease = platform::SystemHostNetwork().AddAddress(PcIndex(), kTempAddress, kTempMask);
    ASSERT_NE(lease, nullptr);
    const std::string name = "10.10.1.1/8 dev " + Env("RLQ_PC_IF");
    Shell("ip addr del " + name);
    std::this_thread::sleep_for(std::chrono::milliseconds(10500));
    EXPECT_EQ(TempAddressLifetime(), -1) << "not put back";
    Shell("ip addr add " + name);
    lease.reset();
    EXPECT_EQ(TempAddressLifetime(), 0) << "someone else's permanent address stays";
    Shell("ip addr del " + name);
}

// What a killed holder left is removed; a permanent address, a DHCP lease's (more time left) and
// another prefix are someone else's.
TEST_F(NetnsTempAddress, OnlyAKilledHoldersAddressIsALeftover) {
    const std::string device = " dev " + Env("RLQ_PC_IF");
    struct Row {
        const char* added;
        bool leftover;
    } rows[] = {
        {"10.10.1.1/8 valid_lft 30 preferred_lft 30", true},
        {"10.10.1.1/8", false},
        {"10.10.1.1/8 valid_lft 3600 preferred_lft 3600", false},
        {"10.10.1.1/16 valid_lft 30 preferred_lft 30", false},
    };
    for (const Row& row : rows) {
        Shell(std::string("ip addr add ") + row.added + device);
        const auto removed =
            platform::SystemHostNetwork().RemoveLeftoverAddresses(kTempAddress, kTempMask);
        EXPECT_EQ(removed, row.leftover ? std::vector<std::string>{Env("RLQ_PC_IF")}
                                        : std::vector<std::string>{})
            << row.added;
        EXPECT_EQ(HasAddress(kTempAddress), !row.leftover) << row.added;
        Shell("ip addr flush to 10.10.1.1" + device);
    }
}

TEST_F(NetnsTempAddress, AddAndDeleteFollowTheRoutesQuickly) {
    CReply reply(platform::SystemHostNetwork(), platform::SystemUdpSockets());
    std::int32_t failed = -1;
    auto begin = Clock::now();
    reply.AddTempAddress(PcIndex(), failed);
    const auto addTook = Clock::now() - begin;
    ASSERT_EQ(failed, 0);
    EXPECT_TRUE(HasAddress(kTempAddress));

    // An address that is already there is refused and left alone by the refused lease.
    EXPECT_EQ(platform::SystemHostNetwork().AddAddress(PcIndex(), kTempAddress, kTempMask),
              nullptr);
    EXPECT_TRUE(HasAddress(kTempAddress));

    begin = Clock::now();
    reply.DeleteTempAddress();
    const auto deleteTook = Clock::now() - begin;
    EXPECT_FALSE(HasAddress(kTempAddress));
    std::printf("temporary address: add %lld us, delete %lld us\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(addTook).count()),
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(deleteTook).count()));
    EXPECT_LT(addTook, std::chrono::milliseconds(500));
    EXPECT_LT(deleteTook, std::chrono::milliseconds(500));

    // The watch is one-shot per change: with nothing changing it runs into its bound.
    begin = Clock::now();
    const auto watch = platform::SystemHostNetwork().WatchRouteChanges();
    EXPECT_EQ(watch->Wait(std::chrono::milliseconds(200)), platform::RouteWaitResult::TimedOut);
    EXPECT_GE(Clock::now() - begin, std::chrono::milliseconds(190));
}

}  // namespace
}  // namespace rlq::testing
