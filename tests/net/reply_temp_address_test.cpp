#include <gtest/gtest.h>

#include "net/reply.h"
#include "tests/doubles/host_network.h"
#include "tests/doubles/udp_socket.h"

namespace rlq {
namespace {

using platform::RouteWaitResult;
using Events = std::vector<std::string>;

class TempAddressTest : public ::testing::Test {
  protected:
    testing::EventLog log;
    testing::FakeHostNetwork host{log};
    testing::FakeUdpSockets sockets{log, nullptr};
    CReply reply{host, sockets};
};

TEST_F(TempAddressTest, WatchIsOpenedBeforeEachAddressChange) {
    std::int32_t failed = -1;
    reply.AddTempAddress(5, failed);
    EXPECT_EQ(failed, 0);
    reply.DeleteTempAddress();

    EXPECT_EQ(log.Events(), (Events{"watch", "add 5 10.10.1.1/255.0.0.0", "wait 10000", "watch",
                                    "remove 5 10.10.1.1/255.0.0.0", "wait 10000"}));
    EXPECT_EQ(host.held, 0);
}

TEST_F(TempAddressTest, RefusedAddReportsFailureWithoutWaiting) {
    host.refuseAdd = true;
    std::int32_t failed = -1;
    reply.AddTempAddress(5, failed);

    EXPECT_EQ(failed, 1);
    EXPECT_EQ(log.Events(), (Events{"watch", "add refused 5 10.10.1.1/255.0.0.0"}));
}

TEST_F(TempAddressTest, RouteWaitOutcomeDoesNotDecideTheAdd) {
    const std::pair<RouteWaitResult, std::int32_t> cases[] = {
        {RouteWaitResult::Signalled, 0},
        {RouteWaitResult::NoWait, 0},
        {RouteWaitResult::Refused, 1},
        {RouteWaitResult::TimedOut, 1},
    };
    for (const auto& [result, expected] : cases) {
        host.waitResult = result;
        std::int32_t waitFailed = -1;
        reply.WaitRouteChange(waitFailed);
        EXPECT_EQ(waitFailed, expected);

        std::int32_t addFailed = -1;
        reply.AddTempAddress(5, addFailed);
        EXPECT_EQ(addFailed, 0);
        reply.DeleteTempAddress();
    }
    EXPECT_EQ(host.held, 0);
}

TEST_F(TempAddressTest, UnpairedAddOrLeftoverNeverLeavesAnAddress) {
    std::int32_t failed = -1;
    reply.AddTempAddress(5, failed);
    reply.AddTempAddress(6, failed);
    EXPECT_EQ(host.held, 1);
    reply.DeleteTempAddress();
    reply.DeleteTempAddress();  // nothing left: no removal and no route wait

    const Events events = log.Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "remove 5 10.10.1.1/255.0.0.0"), 1);
    EXPECT_EQ(events.back(), "wait 10000");
    EXPECT_EQ(std::count(events.begin(), events.end(), "watch"), 3);
    EXPECT_EQ(host.held, 0);

    {
        CReply owner(host, sockets);
        owner.AddTempAddress(7, failed);
    }
    EXPECT_EQ(host.held, 0);
}

}  // namespace
}  // namespace rlq
