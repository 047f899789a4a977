// Only what reads: adding an address would change the machine the tests run on; the refusal
// path is exercised end to end inside network namespaces.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "platform/host_network.h"

namespace rlq::platform {
namespace {

using namespace std::chrono_literals;

TEST(IpHelperHostNetworkTest, SnapshotHoldsTheInterfacesAndTheirAdapters) {
    const auto snapshot = SystemHostNetwork().ReadAdapters();
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_GE(snapshot->interfaceCount, 1u);
    EXPECT_FALSE(snapshot->interfaces.empty());
    for (const AdapterRecord& adapter : snapshot->adapters) {
        EXPECT_NE(adapter.interfaceIndex, 0u);
        for (const MaskedAddress& address : adapter.addresses) {
            EXPECT_EQ(address.mask, PrefixMask(PrefixLength(address.mask)))
                << "a mask read from its text: " << FormatIpv4(address.mask);
        }
        // Every adapter has its row in the interface table.
        EXPECT_TRUE(std::any_of(snapshot->interfaces.begin(), snapshot->interfaces.end(),
                                [&](const InterfaceRow& row) {
                                    return row.physicalAddress == adapter.physicalAddress;
                                }));
    }
}

TEST(IpHelperHostNetworkTest, RouteWatchAnswersWithinItsBound) {
    auto watch = SystemHostNetwork().WatchRouteChanges();
    ASSERT_NE(watch, nullptr);
    const auto start = std::chrono::steady_clock::now();
    const RouteWaitResult result = watch->Wait(200ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    // Nothing changes the routes here; Wine cannot be asked for the notification at all.
    EXPECT_NE(result, RouteWaitResult::Signalled);
}

}  // namespace
}  // namespace rlq::platform
