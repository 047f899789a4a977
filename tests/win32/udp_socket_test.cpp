#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "platform/process.h"
#include "platform/udp_socket.h"

namespace rlq::platform {
namespace {

using namespace std::chrono_literals;
constexpr Ipv4 kLoopback = MakeIpv4(127, 0, 0, 1);
constexpr std::uint16_t kPort = 47104;

class WinsockUdpTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SystemProcess().StartSockets()); }

    std::unique_ptr<UdpSocket> Bound(std::uint16_t port) {
        UdpOptions options;
        options.bindAddress = kLoopback;
        options.bindPort = port;
        return SystemUdpSockets().Open(options);
    }
};

TEST_F(WinsockUdpTest, DatagramArrivesWithItsSenderAndLength) {
    auto receiver = Bound(kPort);
    auto sender = Bound(kPort + 1);
    ASSERT_NE(receiver, nullptr);
    ASSERT_NE(sender, nullptr);
    const std::array<std::uint8_t, 16> request{'R', 'E', 'P', 'L', 'Y'};
    EXPECT_EQ(sender->SendTo(request, kLoopback, kPort), 16);
    ASSERT_TRUE(receiver->WaitReadable(2000ms));
    std::array<std::uint8_t, 16> buffer{};
    const auto got = receiver->ReceiveFrom(buffer);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->length, 16u);
    EXPECT_EQ(got->from, kLoopback);
    EXPECT_EQ(got->fromPort, kPort + 1);
    EXPECT_EQ(buffer, request);
}

TEST_F(WinsockUdpTest, LongerDatagramIsReportedLongerThanTheBuffer) {
    auto receiver = Bound(kPort);
    auto sender = Bound(kPort + 1);
    ASSERT_NE(receiver, nullptr);
    ASSERT_NE(sender, nullptr);
    const std::array<std::uint8_t, 17> oversized{};
    ASSERT_EQ(sender->SendTo(oversized, kLoopback, kPort), 17);
    ASSERT_TRUE(receiver->WaitReadable(2000ms));
    std::array<std::uint8_t, 16> buffer{};
    const auto got = receiver->ReceiveFrom(buffer);
    ASSERT_TRUE(got.has_value());
    EXPECT_GT(got->length, buffer.size());
}

TEST_F(WinsockUdpTest, EmptySocketNeitherBlocksNorReportsADatagram) {
    auto socket = Bound(kPort);
    ASSERT_NE(socket, nullptr);
    std::array<std::uint8_t, 16> buffer{};
    EXPECT_FALSE(socket->ReceiveFrom(buffer).has_value());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(socket->WaitReadable(100ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 80ms);
}

TEST_F(WinsockUdpTest, OptionsOfDiscoveryAndTransferAreAccepted) {
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

TEST_F(WinsockUdpTest, PortInUseFailsTheOpen) {
    auto first = Bound(kPort);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Bound(kPort), nullptr);
}

}  // namespace
}  // namespace rlq::platform
