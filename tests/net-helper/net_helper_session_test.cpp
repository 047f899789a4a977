#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "common/temp_address.h"
#include "platform/linux/helper_host_network.h"
#include "tests/doubles/host_network.h"
#include "tools/net-helper/helper_session.h"

namespace rlq::testing {
namespace {

using net_helper::HelperSession;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class HelperSessionTest : public ::testing::Test {
  protected:
    EventLog log;
    FakeHostNetwork host{log};
    HelperSession session{host, [](std::uint32_t index) { return index == 3 || index == 4; }};
};

TEST_F(HelperSessionTest, AddsOnlyTheTemporaryAddressOnAnEthernetInterface) {
    EXPECT_EQ(session.Handle("add 3 10.10.1.1/8"), "lease 1");
    EXPECT_EQ(session.Handle("add 4 10.10.1.1/8"), "lease 2");
    EXPECT_EQ(session.Handle("add 3 10.10.1.2/8"), "refused");
    EXPECT_EQ(session.Handle("add 3 10.10.1.1/24"), "refused");
    EXPECT_EQ(session.Handle("add 3 192.168.77.10/24"), "refused");
    EXPECT_EQ(session.Handle("add 3 10.10.1.1/8 "), "refused");
    EXPECT_EQ(session.Handle("add 1 10.10.1.1/8"), "refused") << "not an Ethernet interface";
    EXPECT_THAT(log.Events(),
                ElementsAre("add 3 10.10.1.1/255.0.0.0", "add 4 10.10.1.1/255.0.0.0"));
}

TEST_F(HelperSessionTest, RemovesExactlyTheLeaseNamedAndTheRestAtTheEnd) {
    ASSERT_EQ(session.Handle("add 3 10.10.1.1/8"), "lease 1");
    ASSERT_EQ(session.Handle("add 4 10.10.1.1/8"), "lease 2");
    EXPECT_EQ(session.Handle("remove 2"), "removed");
    EXPECT_EQ(session.Handle("remove 2"), "unknown");
    EXPECT_EQ(session.Handle("remove 9"), "unknown");
    EXPECT_EQ(host.held, 1);
    session.RemoveAll();
    EXPECT_EQ(host.held, 0);
    EXPECT_THAT(log.Events(),
                ElementsAre("add 3 10.10.1.1/255.0.0.0", "add 4 10.10.1.1/255.0.0.0",
                            "remove 4 10.10.1.1/255.0.0.0", "remove 3 10.10.1.1/255.0.0.0"));
}

TEST_F(HelperSessionTest, HoldsAFewAddressesAtMostAndPassesOnTheKernelsRefusal) {
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(session.Handle("add 3 10.10.1.1/8"), "lease " + std::to_string(i));
    }
    EXPECT_EQ(session.Handle("add 3 10.10.1.1/8"), "refused");
    session.RemoveAll();
    host.refuseAdd = true;
    EXPECT_EQ(session.Handle("add 3 10.10.1.1/8"), "refused");
    EXPECT_EQ(session.Held(), 0u);
}

TEST_F(HelperSessionTest, SweepsOnlyTheTemporaryAddressAndOnlyBeforeItHoldsOne) {
    host.leftovers = {"eth0", "eth1"};
    EXPECT_EQ(session.Handle("sweep"), "swept eth0 eth1");
    EXPECT_EQ(session.Handle("sweep"), "swept");
    ASSERT_EQ(session.Handle("add 3 10.10.1.1/8"), "lease 1");
    EXPECT_EQ(session.Handle("sweep"), "refused") << "its own address would look left over";
    EXPECT_THAT(log.Events(), ElementsAre("sweep 10.10.1.1/255.0.0.0", "sweep 10.10.1.1/255.0.0.0",
                                          "add 3 10.10.1.1/255.0.0.0"));
}

TEST_F(HelperSessionTest, AnythingOutsideTheProtocolEndsTheSession) {
    for (const char* request :
         {"", "add", "add 3", "add  3 10.10.1.1/8", "add 03 10.10.1.1/8", "add -3 10.10.1.1/8",
          "add 3x 10.10.1.1/8", "add 99999999999 10.10.1.1/8", "remove", "remove 0", "remove 1 2",
          "ADD 3 10.10.1.1/8", "delete 1", "sweep 3", "sweep "}) {
        EXPECT_EQ(session.Handle(request), "") << '"' << request << '"';
    }
    EXPECT_THAT(log.Events(), IsEmpty());
}

using platform::HelperStart;

HelperStart StartWith(std::vector<std::string> command) {
    EventLog log;
    FakeHostNetwork reading{log};
    platform::HelperHostNetwork helper(reading, std::move(command));
    return helper.Start();
}

TEST(HelperStart, PkexecsStatusesTellDismissalFromRefusalAndOtherEndsFail) {
    EXPECT_EQ(StartWith({"sh", "-c", "exit 126"}), HelperStart::Dismissed);
    EXPECT_EQ(StartWith({"sh", "-c", "exit 127"}), HelperStart::NotAuthorised);
    EXPECT_EQ(StartWith({"sh", "-c", "exit 1"}), HelperStart::Failed);
    EXPECT_EQ(StartWith({"sh", "-c", "echo hello"}), HelperStart::Failed) << "not the helper";
    EXPECT_EQ(StartWith({"/nonexistent/rlq-net-helper"}), HelperStart::Failed);
    EXPECT_EQ(StartWith({}), HelperStart::Failed);
}

// A stand-in helper in sh that answers as the real one does and logs what it was asked.
constexpr char kScriptedHelper[] =
    "echo ready; while read -r line; do echo \"$line\" >>\"$0\"; case \"$line\" in "
    "'add 5 10.10.1.1/8') echo 'lease 7';; 'remove 7') echo removed;; "
    "sweep) echo 'swept eth0 veth-pc';; *) echo refused;; esac; "
    "done; echo end >>\"$0\"";

TEST(HelperClient, AddsAndRemovesThroughTheHelperAndAsksForNothingElse) {
    const std::string requests = ::testing::TempDir() + "helper-requests.txt";
    std::remove(requests.c_str());
    EventLog log;
    FakeHostNetwork reading{log};
    {
        platform::HelperHostNetwork helper(reading, {"sh", "-c", kScriptedHelper, requests});
        ASSERT_EQ(helper.Start(), HelperStart::Running);
        EXPECT_THAT(helper.RemoveLeftoverAddresses(kTempAddress, kTempMask),
                    ElementsAre("eth0", "veth-pc"));
        EXPECT_THAT(helper.RemoveLeftoverAddresses(kTempAddress, MakeIpv4(255, 255, 0, 0)),
                    IsEmpty());
        auto lease = helper.AddAddress(5, kTempAddress, kTempMask);
        EXPECT_NE(lease, nullptr);
        EXPECT_EQ(helper.AddAddress(6, kTempAddress, kTempMask), nullptr);
        // Never sent: the helper would refuse them anyway.
        EXPECT_EQ(helper.AddAddress(5, MakeIpv4(10, 10, 1, 2), MakeIpv4(255, 0, 0, 0)), nullptr);
        EXPECT_EQ(helper.AddAddress(5, MakeIpv4(10, 10, 1, 1), MakeIpv4(255, 255, 0, 0)), nullptr);
        lease.reset();
    }
    // Adapters and route watches are read in process.
    EXPECT_THAT(log.Events(), IsEmpty());
    std::ifstream in(requests);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    EXPECT_THAT(lines,
                ElementsAre("sweep", "add 5 10.10.1.1/8", "add 6 10.10.1.1/8", "remove 7", "end"))
        << "the helper's input ends with the client";
}

TEST(HelperClient, AHelperThatDiedRefusesAndTheLeaseEndsQuietly) {
    EventLog log;
    FakeHostNetwork reading{log};
    platform::HelperHostNetwork helper(
        reading, {"sh", "-c", "echo ready; read -r line; echo 'lease 1'; exit 0"});
    ASSERT_EQ(helper.Start(), HelperStart::Running);
    auto lease = helper.AddAddress(5, kTempAddress, kTempMask);
    ASSERT_NE(lease, nullptr);
    lease.reset();  // the helper has gone: no answer, no hang, no SIGPIPE
    EXPECT_EQ(helper.AddAddress(5, kTempAddress, kTempMask), nullptr);
    EXPECT_THAT(helper.RemoveLeftoverAddresses(kTempAddress, kTempMask), IsEmpty());
}

TEST(HelperCommand, AHelperWithoutTheFileCapabilityGoesThroughPkexec) {
    EXPECT_THAT(platform::AddressHelperCommand("/bin/true"), ElementsAre("pkexec", "/bin/true"));
}

}  // namespace
}  // namespace rlq::testing
