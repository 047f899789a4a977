// The sockets of whichever backend the build has, on loopback at fixed ports. On Linux they run in
// a network namespace of their own.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

#include "platform/process.h"
#include "platform/udp_socket.h"

namespace rlq::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
constexpr Ipv4 kLoopback = MakeIpv4(127, 0, 0, 1);
constexpr std::uint16_t kPort = 47104;

class UdpSocketTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SystemProcess().StartSockets()); }

    std::unique_ptr<UdpSocket> Bound(std::uint16_t port) {
        UdpOptions options;
        options.bindAddress = kLoopback;
        options.bindPort = port;
        return SystemUdpSockets().Open(options);
    }
};

TEST_F(UdpSocketTest, DatagramArrivesWithItsSenderAndLength) {
    auto receiver = Bound(kPort);
    auto sender = Bound(kPort + 1);
    ASSERT_NE(receiver, nullptr);
    ASSERT_NE(sender, nullptr);
    const std::array<std::uint8_t, 16> request{'R', 'E', 'P', 'L', 'Y'};
    EXPECT_EQ(sender->SendTo(request, kLoopback, kPort).sent, 16);
    ASSERT_TRUE(receiver->WaitReadable(2000ms));
    std::array<std::uint8_t, 16> buffer{};
    const auto got = receiver->ReceiveFrom(buffer);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->length, 16u);
    EXPECT_EQ(got->from, kLoopback);
    EXPECT_EQ(got->fromPort, kPort + 1);
    EXPECT_EQ(buffer, request);
}

// An oversized reply must not pass for a valid one cut to the buffer's size. Winsock tells only
// that it was longer, the POSIX sockets its true length.
TEST_F(UdpSocketTest, LongerDatagramIsReportedLongerThanTheBuffer) {
    auto receiver = Bound(kPort);
    auto sender = Bound(kPort + 1);
    ASSERT_NE(receiver, nullptr);
    ASSERT_NE(sender, nullptr);
    const std::array<std::uint8_t, 17> oversized{};
    ASSERT_EQ(sender->SendTo(oversized, kLoopback, kPort).sent, 17);
    ASSERT_TRUE(receiver->WaitReadable(2000ms));
    std::array<std::uint8_t, 16> buffer{};
    const auto got = receiver->ReceiveFrom(buffer);
    ASSERT_TRUE(got.has_value());
    EXPECT_GT(got->length, buffer.size());
}

// The diagnosis names what the system said; port 0 is refused by every stack, and on loopback.
TEST_F(UdpSocketTest, RefusedSendComesBackWithTheSystemsReason) {
    auto sender = Bound(kPort);
    ASSERT_NE(sender, nullptr);
    const platform::SendResult result = sender->SendTo(std::array<std::uint8_t, 1>{}, kLoopback, 0);
    EXPECT_EQ(result.sent, -1);
    EXPECT_NE(result.refusal.code, 0);
    EXPECT_FALSE(result.refusal.text.empty());
    EXPECT_EQ(sender->SendTo(std::array<std::uint8_t, 1>{}, kLoopback, kPort).refusal,
              platform::SystemError{})
        << "a send that went out carries no reason";
}

TEST_F(UdpSocketTest, EmptySocketNeitherBlocksNorReportsADatagram) {
    auto socket = Bound(kPort);
    ASSERT_NE(socket, nullptr);
    std::array<std::uint8_t, 16> buffer{};
    EXPECT_FALSE(socket->ReceiveFrom(buffer).has_value());
    const auto start = Clock::now();
    EXPECT_FALSE(socket->WaitReadable(100ms));
    EXPECT_GE(Clock::now() - start, 80ms);
    EXPECT_LT(Clock::now() - start, 1s);
}

TEST_F(UdpSocketTest, WaitEndsAtTheDatagramNotAtTheBound) {
    auto receiver = Bound(kPort);
    auto sender = Bound(kPort + 1);
    ASSERT_NE(receiver, nullptr);
    ASSERT_NE(sender, nullptr);
    std::thread late([&] {
        std::this_thread::sleep_for(20ms);
        sender->SendTo(std::array<std::uint8_t, 1>{}, kLoopback, kPort);
    });
    const auto start = Clock::now();
    EXPECT_TRUE(receiver->WaitReadable(5s));
    EXPECT_LT(Clock::now() - start, 2s);
    late.join();
}

TEST_F(UdpSocketTest, OptionsOfDiscoveryAndTransferAreAccepted) {
    UdpOptions discovery;
    discovery.bindAddress = kLoopback;
    discovery.bindPort = kPort;
    discovery.broadcast = true;
    discovery.dontRoute = true;
    EXPECT_NE(SystemUdpSockets().Open(discovery), nullptr);
    UdpOptions transfer;
    transfer.clearDontFragment = true;
    EXPECT_NE(SystemUdpSockets().Open(transfer), nullptr);
}

TEST_F(UdpSocketTest, PortInUseFailsTheOpen) {
    auto first = Bound(kPort);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Bound(kPort), nullptr);
}

}  // namespace
}  // namespace rlq::platform
