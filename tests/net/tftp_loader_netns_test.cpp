// CTftp against the simulated loader on loopback, through the system's UDP sockets.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "common/big_endian.h"
#include "net/tftp.h"
#include "platform/udp_socket.h"
#include "tests/doubles/temp_file.h"
#include "tests/netns/private_netns.h"
#include "tests/support/sim_test_support.h"
#include "tests/support/tftp_test_support.h"
#include "tools/unit-sim/sim_payload.h"
#include "tools/unit-sim/tftp_loader.h"

namespace rlq::testing {
namespace {

using namespace std::chrono_literals;

constexpr Ipv4 kSubUnit = MakeIpv4(127, 0, 0, 2);
constexpr Ipv4 kSecondAddress = MakeIpv4(127, 0, 0, 9);
constexpr std::size_t kSlotOnePayload = 236986;

class TftpLoaderTest : public PrivateNetnsTest {
  protected:
    sim::TftpLoader& Serve(sim::TftpLoaderConfig config) {
        config.address = kSubUnit;
        m_loader = std::make_unique<sim::TftpLoader>(std::move(config));
        EXPECT_TRUE(m_loader->Start());
        return *m_loader;
    }

    // Uploads `file` as the updater does and returns the last count reported.
    std::uint32_t Upload(const DiskFile& file, std::uint32_t total) {
        ProgressRecorder progress;
        FakeTempFiles files;
        CTftp tftp(platform::SystemUdpSockets(), files);
        tftp.SetProgressCallback(&ProgressRecorder::Record, &progress);
        std::int32_t error = -1;
        tftp.StartUpload(kSubUnit, file.Path(), total, &error);
        EXPECT_EQ(error, 0);
        while (!tftp.WaitWhileRunning(100ms)) {
        }
        const auto counts = progress.Counts();
        return counts.empty() ? 0 : counts.back();
    }

    std::unique_ptr<sim::TftpLoader> m_loader;
};

TEST_F(TftpLoaderTest, SlotOnePayloadArrivesAndIsRecovered) {
    sim::TftpLoader& loader = Serve({});
    loader.Arm();
    const auto payload = PatternBytes(kSlotOnePayload);
    DiskFile file(TransformForLoader(payload));

    EXPECT_EQ(Upload(file, kSlotOnePayload), kSlotOnePayload);
    EXPECT_TRUE(loader.IsComplete());
    EXPECT_EQ(sim::ComparePayload(loader.RecoveredPayload(), payload), std::nullopt);
    const auto counts = loader.Counts();
    EXPECT_EQ(counts.writeRequests, 1u);
    EXPECT_EQ(counts.dataPackets, 463u);
}

TEST_F(TftpLoaderTest, LostAcknowledgementsAreRecoveredByResending) {
    sim::TftpLoader& loader = Serve({.alwaysArmed = true, .dropFirstAckOf = {0, 3}});
    const auto payload = PatternBytes(5000);
    DiskFile file(TransformForLoader(payload));

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Upload(file, 5000), 5000u);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 1800ms);
    EXPECT_EQ(sim::ComparePayload(loader.RecoveredPayload(), payload), std::nullopt);
    const auto counts = loader.Counts();
    EXPECT_EQ(counts.acksDropped, 2u);
    EXPECT_EQ(counts.writeRequests, 2u);
    EXPECT_EQ(counts.dataPackets, 11u);
}

TEST_F(TftpLoaderTest, DuplicateAndSlowAcknowledgementsDoNotDisturbTheTransfer) {
    sim::TftpLoader& loader = Serve({.alwaysArmed = true, .duplicateAcks = true, .ackDelay = 20ms});
    const auto payload = PatternBytes(3000);
    DiskFile file(TransformForLoader(payload));

    EXPECT_EQ(Upload(file, 3000), 3000u);
    EXPECT_EQ(sim::ComparePayload(loader.RecoveredPayload(), payload), std::nullopt);
    EXPECT_EQ(loader.Counts().dataPackets, 6u);
}

// Probes the loader directly: what answers comes back, and from where.
class LoaderProbe {
  public:
    LoaderProbe() : m_socket(platform::SystemUdpSockets().Open({})) {}

    std::optional<platform::Datagram> WriteRequest(std::uint8_t* reply) {
        const std::vector<std::uint8_t> request = {0,   2,   'R', 'L', 'Q', 0,   'n', 'e',
                                                   't', 'a', 's', 'c', 'i', 'i', 0};
        m_socket->SendTo(request, kSubUnit, kTftpPort);
        if (!m_socket->WaitReadable(300ms)) {
            return std::nullopt;
        }
        return m_socket->ReceiveFrom({reply, 16});
    }

  private:
    std::unique_ptr<platform::UdpSocket> m_socket;
};

TEST_F(TftpLoaderTest, AnswersOnlyWhenArmed) {
    sim::TftpLoader& loader = Serve({});
    LoaderProbe probe;
    std::uint8_t reply[16];
    EXPECT_FALSE(probe.WriteRequest(reply));
    loader.Arm();
    const auto answer = probe.WriteRequest(reply);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->length, 4u);
    EXPECT_EQ(answer->from, kSubUnit);
    EXPECT_EQ(answer->fromPort, kTftpPort);
    EXPECT_EQ(ReadBe16(reply), 4);
    EXPECT_EQ(ReadBe16(reply + 2), 0);
}

TEST_F(TftpLoaderTest, CanAnswerFromAnotherAddressOrNotAtAll) {
    {
        Serve({.alwaysArmed = true, .answerFrom = kSecondAddress});
        std::uint8_t reply[16];
        const auto answer = LoaderProbe().WriteRequest(reply);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->from, kSecondAddress);
    }
    {
        m_loader.reset();
        Serve({.alwaysArmed = true, .neverAnswer = true});
        std::uint8_t reply[16];
        EXPECT_FALSE(LoaderProbe().WriteRequest(reply));
        EXPECT_EQ(m_loader->Counts().writeRequests, 1u);
    }
}

}  // namespace
}  // namespace rlq::testing
