// rlq-net-helper itself, as root in the PC namespace of with-netns.sh: it adds the temporary
// address on the fixture's Ethernet interface and leaves nothing behind, however the program
// on the other end of its pipe goes away.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/temp_address.h"
#include "platform/host_network.h"
#include "platform/linux/helper_host_network.h"
#include "platform/linux/unique_fd.h"
#include "tests/netns/pc_namespace.h"

namespace rlq::testing {
namespace {

class NetHelperNetns : public PcNamespaceTest {
  protected:
    void SetUp() override {
        PcNamespaceTest::SetUp();
        ASSERT_FALSE(HasAddress(kTempAddress));
    }
};

TEST_F(NetHelperNetns, AddsAndRemovesTheTemporaryAddressOnRequest) {
    platform::HelperHostNetwork helper(platform::SystemHostNetwork(), {RLQ_NET_HELPER_BINARY});
    ASSERT_EQ(helper.Start(), platform::HelperStart::Running);
    auto lease = helper.AddAddress(PcIndex(), kTempAddress, kTempMask);
    ASSERT_NE(lease, nullptr);
    EXPECT_TRUE(HasAddress(kTempAddress));
    EXPECT_EQ(helper.AddAddress(PcIndex(), kTempAddress, kTempMask), nullptr)
        << "an address already there is not taken over";
    EXPECT_EQ(helper.AddAddress(1, kTempAddress, kTempMask), nullptr) << "loopback is not Ethernet";
    EXPECT_EQ(helper.AddAddress(9999, kTempAddress, kTempMask), nullptr) << "no such interface";
    lease.reset();
    EXPECT_FALSE(HasAddress(kTempAddress)) << "gone when the lease's destructor returns";
}

// The program's side of the pipe ends without a word: by closing it, or by the helper being
// told to terminate (as the session's end would).
class NetHelperAbandoned : public NetHelperNetns, public ::testing::WithParamInterface<bool> {};

TEST_P(NetHelperAbandoned, RemovesEverythingItAddedAndEnds) {
    const bool bySignal = GetParam();
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    platform::UniqueFd program(ends[0]);
    platform::UniqueFd helper(ends[1]);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(helper.Get(), STDIN_FILENO);
        ::dup2(helper.Get(), STDOUT_FILENO);
        program.Reset();
        helper.Reset();
        ::execl(RLQ_NET_HELPER_BINARY, RLQ_NET_HELPER_BINARY, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    helper.Reset();
    char reply[64] = {};
    ASSERT_GT(::read(program.Get(), reply, sizeof reply - 1), 0);
    EXPECT_STREQ(reply, "ready\n");
    const std::string add = "add " + std::to_string(PcIndex()) + " 10.10.1.1/8\n";
    ASSERT_EQ(::write(program.Get(), add.data(), add.size()), static_cast<ssize_t>(add.size()));
    std::fill(std::begin(reply), std::end(reply), 0);
    ASSERT_GT(::read(program.Get(), reply, sizeof reply - 1), 0);
    EXPECT_STREQ(reply, "lease 1\n");
    EXPECT_TRUE(HasAddress(kTempAddress));
    if (bySignal) {
        ::kill(pid, SIGTERM);
    } else {
        program.Reset();
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(HasAddress(kTempAddress));
}

INSTANTIATE_TEST_SUITE_P(Ways, NetHelperAbandoned, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SigTerm" : "PipeClosed"; });

}  // namespace
}  // namespace rlq::testing
