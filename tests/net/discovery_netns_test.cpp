// End to end against rlq-unit-sim, inside the PC namespace of tests/netns/with-netns.sh. Every
// case fails at once anywhere else, so it never sends on a real network.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "net/adapter_list.h"
#include "net/reply.h"
#include "tests/doubles/host_network.h"
#include "tests/netns/pc_namespace.h"

namespace rlq {
namespace {

using Clock = std::chrono::steady_clock;
using testing::EnvAddress;
using testing::HasAddress;
using testing::PcIndex;

struct SearchOutcome {
    ReplyResult result;
    Clock::duration took;
    int tempAdds;
};

class NetnsDiscovery : public testing::PcNamespaceTest {};

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

TEST_F(NetnsDiscovery, MainUnitOnOwnSubnet) {
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

TEST_F(NetnsDiscovery, SubUnitThroughTempAddress) {
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

TEST_F(NetnsDiscovery, SubUnitFromAdapterInsidePrivateNetwork) {
    const SearchOutcome outcome = Search(SEARCH_SUB, std::chrono::seconds(7));

    EXPECT_EQ(outcome.result.deviceAddress, EnvAddress("RLQ_SUB_ADDR"));
    EXPECT_EQ(outcome.result.localAddress, EnvAddress("RLQ_PC_ADDR"));
    EXPECT_FALSE(outcome.result.viaTempAddress);
    EXPECT_EQ(outcome.tempAdds, 0);
}

TEST_F(NetnsDiscovery, SilentSubUnitEndsThePassOnTheSixSecondClock) {
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
