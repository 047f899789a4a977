// End to end against rlq-unit-sim, inside the PC namespace of tests/netns/with-netns.sh. The
// binary refuses to run anywhere else, so it never sends on a real network.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "net/adapter_list.h"
#include "net/reply.h"
#include "tests/doubles/host_network.h"

namespace rlq {
namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

Ipv4 EnvAddress(const char* name) {
    return ParseIpv4(Env(name)).value_or(0);
}

std::uint32_t PcIndex() {
    return static_cast<std::uint32_t>(std::stoul(Env("RLQ_PC_IFINDEX")));
}

bool InsidePcNamespace() {
    const std::string ns = Env("RLQ_NS_PC");
    struct stat own {};
    struct stat named {};
    return !ns.empty() && ::stat("/proc/self/ns/net", &own) == 0 &&
           ::stat(("/run/netns/" + ns).c_str(), &named) == 0 && own.st_ino == named.st_ino &&
           own.st_dev == named.st_dev;
}

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

bool HasAddress(Ipv4 address) {
    const auto snapshot = platform::SystemHostNetwork().ReadAdapters();
    for (const auto& adapter : snapshot.value().adapters) {
        for (const auto& text : adapter.addresses) {
            if (ParseIpv4(text.address) == address) {
                return true;
            }
        }
    }
    return false;
}

struct SearchOutcome {
    ReplyResult result;
    Clock::duration took;
    int tempAdds;
};

// One search as the search dialog runs it: snapshot, start, wait for the find, stop.
SearchOutcome Search(std::int32_t flags, std::chrono::seconds bound) {
    testing::FakeHostNetwork host(platform::SystemHostNetwork());  // counts the adds
    CAdapterList adapters(host);
    std::int32_t count = 0;
    const AdapterEntry* entries = nullptr;
    adapters.Enumerate(count, entries);

    std::mutex mutex;
    std::condition_variable woken;
    bool found = false;
    CReply reply(host, platform::SystemUdpSockets());
    reply.SetFindNotifier([&] {
        std::lock_guard lock(mutex);
        found = true;
        woken.notify_all();
    });
    const auto begin = Clock::now();
    reply.Start(flags, 0, count, entries);
    {
        std::unique_lock lock(mutex);
        woken.wait_for(lock, bound, [&] { return found; });
    }
    const auto took = Clock::now() - begin;
    reply.Stop();
    return {reply.GetResult(), took, host.adds};
}

TEST(NetnsAdapters, SnapshotShowsTheVethWithItsGateway) {
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
TEST(NetnsTempAddress, HasABoundedLifetimeThatALivingHolderRenews) {
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
TEST(NetnsTempAddress, AnAddressTakenOffMeanwhileIsNeitherRenewedNorDeleted) {
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

TEST(NetnsTempAddress, AddAndDeleteFollowTheRoutesQuickly) {
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

TEST(NetnsDiscovery, MainUnitOnOwnSubnet) {
    const SearchOutcome outcome = Search(SEARCH_MAIN, std::chrono::seconds(7));

    EXPECT_EQ(outcome.result.deviceAddress, EnvAddress("RLQ_MAIN_ADDR"));
    EXPECT_EQ(outcome.result.localAddress, EnvAddress("RLQ_PC_ADDR"));
    EXPECT_EQ(outcome.result.unitKind, kUnitKindMain);
    EXPECT_EQ(outcome.result.firmwareVersion, 0x0130);
    EXPECT_EQ(outcome.result.interfaceIndex, PcIndex());
    EXPECT_FALSE(outcome.result.viaTempAddress);
    EXPECT_EQ(outcome.tempAdds, 0);
    EXPECT_LT(outcome.took, std::chrono::seconds(1));
}

TEST(NetnsDiscovery, SubUnitThroughTempAddress) {
    const SearchOutcome outcome = Search(SEARCH_SUB, std::chrono::seconds(7));

    EXPECT_EQ(outcome.result.deviceAddress, EnvAddress("RLQ_SUB_ADDR"));
    EXPECT_EQ(outcome.result.localAddress, kTempAddress);
    EXPECT_EQ(outcome.result.unitKind, kUnitKindSub);
    EXPECT_EQ(outcome.result.firmwareVersion, 0x0100);
    EXPECT_EQ(outcome.result.interfaceIndex, PcIndex());
    EXPECT_TRUE(outcome.result.viaTempAddress);
    EXPECT_EQ(outcome.tempAdds, 1);
    EXPECT_LT(outcome.took, std::chrono::seconds(1));
    EXPECT_FALSE(HasAddress(kTempAddress));
}

TEST(NetnsDiscovery, SubUnitFromAdapterInsidePrivateNetwork) {
    const SearchOutcome outcome = Search(SEARCH_SUB, std::chrono::seconds(7));

    EXPECT_EQ(outcome.result.deviceAddress, EnvAddress("RLQ_SUB_ADDR"));
    EXPECT_EQ(outcome.result.localAddress, EnvAddress("RLQ_PC_ADDR"));
    EXPECT_FALSE(outcome.result.viaTempAddress);
    EXPECT_EQ(outcome.tempAdds, 0);
}

TEST(NetnsDiscovery, SilentSubUnitEndsThePassOnTheSixSecondClock) {
    testing::FakeHostNetwork host(platform::SystemHostNetwork());  // counts the adds
    CAdapterList adapters(host);
    std::int32_t count = 0;
    const AdapterEntry* entries = nullptr;
    adapters.Enumerate(count, entries);
    const auto begin = Clock::now();
    {
        CReply reply(host, platform::SystemUdpSockets());
        reply.Start(SEARCH_SUB, 0, count, entries);
    }  // the destructor waits until the search has ended by itself
    const auto took = Clock::now() - begin;

    // A whole-second clock ends the pass between 5 and 6 s after it began.
    EXPECT_GE(took, std::chrono::seconds(5));
    EXPECT_LT(took, std::chrono::milliseconds(6500));
    EXPECT_EQ(host.adds, 1);
    EXPECT_FALSE(HasAddress(kTempAddress));
}

}  // namespace
}  // namespace rlq

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!rlq::InsidePcNamespace()) {
        std::fprintf(stderr, "discovery_netns_test runs only inside tests/netns/with-netns.sh\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
