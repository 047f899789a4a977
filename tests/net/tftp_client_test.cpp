#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "net/tftp.h"
#include "tests/doubles/temp_file.h"
#include "tests/doubles/udp_socket.h"
#include "tests/support/tftp_test_support.h"

namespace rlq::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

constexpr Ipv4 kUnit = MakeIpv4(10, 255, 255, 237);
constexpr std::uint16_t kOtherPort = 50123;

std::vector<IncomingDatagram> AckFromUnit(const SentDatagram& sent) {
    return {{AckPacket(BlockOf(sent.data)), kUnit, kOtherPort}};
}

// A loader that acknowledges every packet it receives.
Responder AckEverything() {
    return [](const SentDatagram& sent) { return AckFromUnit(sent); };
}

struct Upload {
    explicit Upload(FakeUdpSockets& sockets) : tftp(sockets, files) {
        tftp.SetProgressCallback(&ProgressRecorder::Record, &progress);
    }

    std::int32_t Start(const std::string& path, std::uint32_t total) {
        std::int32_t error = -1;
        tftp.StartUpload(kUnit, path, total, &error);
        return error;
    }

    void Finish() {
        ASSERT_TRUE(tftp.WaitWhileRunning(30s));
        EXPECT_FALSE(tftp.IsRunning());
    }

    ProgressRecorder progress;
    FakeTempFiles files;
    CTftp tftp;
};

std::vector<std::uint8_t> DataPayload(const std::vector<SentDatagram>& sent) {
    std::vector<std::uint8_t> payload;
    for (const auto& datagram : sent) {
        if (ReadBe16(datagram.data.data()) == 3) {
            payload.insert(payload.end(), datagram.data.begin() + 4, datagram.data.end());
        }
    }
    return payload;
}

TEST(TftpClientTest, UploadsSlotOnePayloadInLockStep) {
    const auto content = PatternBytes(236986);
    DiskFile file(content);
    FakeUdpSockets sockets(AckEverything());
    Upload upload(sockets);

    ASSERT_EQ(upload.Start(file.Path(), 236986), 0);
    upload.Finish();

    const auto sent = sockets.Sent();
    ASSERT_EQ(sent.size(), 464u);
    const std::vector<std::uint8_t> writeRequest = {0,   2,   'R', 'L', 'Q', 0,   'n', 'e',
                                                    't', 'a', 's', 'c', 'i', 'i', 0};
    EXPECT_EQ(sent[0].data, writeRequest);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].to, kUnit);
        EXPECT_EQ(sent[i].port, kTftpPort);
        EXPECT_EQ(BlockOf(sent[i].data), i);
    }
    EXPECT_EQ(sent[1].data.size(), 516u);
    EXPECT_EQ(sent[462].data.size(), 516u);
    EXPECT_EQ(sent[463].data.size(), 4u + 442u);
    EXPECT_EQ(DataPayload(sent), content);

    const auto counts = upload.progress.Counts();
    ASSERT_EQ(counts.size(), 463u);
    EXPECT_EQ(counts.front(), 512u);
    EXPECT_EQ(counts[461], 462u * 512u);
    EXPECT_EQ(counts.back(), 236986u);
    EXPECT_EQ(upload.tftp.BlocksAcknowledged(), 463u) << "data blocks, not the write request";
    EXPECT_EQ(upload.tftp.BytesAcknowledged(), 236986u);
    EXPECT_EQ(upload.tftp.Retransmissions(), 0u);

    const auto opened = sockets.Opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_FALSE(opened[0].bindAddress.has_value());
    EXPECT_EQ(opened[0].bindPort, 0);
    EXPECT_TRUE(opened[0].clearDontFragment);
}

struct FinalBlockCase {
    std::uint32_t size;
    std::vector<std::size_t> dataLengths;
    std::vector<std::uint32_t> progress;
};

class TftpFinalBlockTest : public ::testing::TestWithParam<FinalBlockCase> {};

TEST_P(TftpFinalBlockTest, EndsWithShortOrEmptyBlock) {
    const auto& param = GetParam();
    DiskFile file(PatternBytes(param.size));
    FakeUdpSockets sockets(AckEverything());
    Upload upload(sockets);

    ASSERT_EQ(upload.Start(file.Path(), param.size), 0);
    upload.Finish();

    const auto sent = sockets.Sent();
    std::vector<std::size_t> dataLengths;
    for (std::size_t i = 1; i < sent.size(); ++i) {
        dataLengths.push_back(sent[i].data.size() - 4);
    }
    EXPECT_EQ(dataLengths, param.dataLengths);
    EXPECT_EQ(upload.progress.Counts(), param.progress);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TftpFinalBlockTest,
                         ::testing::Values(FinalBlockCase{1024, {512, 512, 0}, {512, 1024, 1024}},
                                           FinalBlockCase{0, {0}, {0}},
                                           FinalBlockCase{513, {512, 1}, {512, 513}}),
                         [](const auto& info) { return "Size" + std::to_string(info.param.size); });

TEST(TftpClientTest, ResendsBlockWhoseAckWasLost) {
    const auto content = PatternBytes(2000);
    DiskFile file(content);
    bool dropped = false;
    FakeUdpSockets sockets([&](const SentDatagram& sent) -> std::vector<IncomingDatagram> {
        if (BlockOf(sent.data) == 2 && !dropped) {
            dropped = true;
            return {};
        }
        return AckFromUnit(sent);
    });
    Upload upload(sockets);

    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(upload.Start(file.Path(), 2000), 0);
    upload.Finish();
    const auto elapsed = std::chrono::steady_clock::now() - started;

    const auto sent = sockets.Sent();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(BlockOf(sent[2].data), 2);
    EXPECT_EQ(sent[3].data, sent[2].data);
    EXPECT_EQ(DataPayload(sent).size(), 2000u + 512u);
    EXPECT_EQ(upload.progress.Counts(), (std::vector<std::uint32_t>{512, 1024, 1536, 2000}));
    EXPECT_EQ(upload.tftp.BlocksAcknowledged(), 4u);
    EXPECT_EQ(upload.tftp.Retransmissions(), 1u);
    EXPECT_GE(elapsed, 900ms);
    EXPECT_LT(elapsed, 3s);
}

TEST(TftpClientTest, IgnoresEverythingButTheExpectedAckFromTheUnit) {
    DiskFile file(PatternBytes(100));
    FakeUdpSockets sockets([](const SentDatagram& sent) {
        const std::uint16_t block = BlockOf(sent.data);
        if (block != 1) {
            return AckFromUnit(sent);
        }
        if (sent.index == 1) {  // first send of block 1: nothing that counts
            auto longAck = AckPacket(1);
            longAck.push_back(0);
            const std::vector<std::uint8_t> errorPacket = {0, 5, 0, 1, 'x', 0};
            const std::vector<std::uint8_t> dataPacket = {0, 3, 0, 1};
            return std::vector<IncomingDatagram>{
                {AckPacket(1), MakeIpv4(10, 255, 255, 238), kTftpPort},
                {longAck, kUnit, kTftpPort},
                {{0, 4, 0}, kUnit, kTftpPort},
                {AckPacket(0), kUnit, kTftpPort},
                {errorPacket, kUnit, kTftpPort},
                {dataPacket, kUnit, kTftpPort}};
        }
        return AckFromUnit(sent);  // from another port than the loader's: accepted
    });
    Upload upload(sockets);

    ASSERT_EQ(upload.Start(file.Path(), 100), 0);
    upload.Finish();

    const auto sent = sockets.Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].data, sent[2].data);
    EXPECT_THAT(upload.progress.Counts(), ElementsAre(100u));
}

TEST(TftpClientTest, GivesUpAfterElevenUnansweredWriteRequests) {
    DiskFile file(PatternBytes(600));
    FakeUdpSockets sockets([](const SentDatagram&) { return std::vector<IncomingDatagram>{}; });
    Upload upload(sockets);

    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(upload.Start(file.Path(), 600), 0);
    EXPECT_FALSE(upload.tftp.WaitWhileRunning(10s));
    upload.Finish();
    const auto elapsed = std::chrono::steady_clock::now() - started;

    const auto sent = sockets.Sent();
    ASSERT_EQ(sent.size(), 11u);
    for (const auto& packet : sent) {
        EXPECT_EQ(BlockOf(packet.data), 0);
        EXPECT_EQ(packet.data, sent[0].data);
    }
    EXPECT_THAT(upload.progress.Counts(), IsEmpty());
    EXPECT_GE(elapsed, 10900ms);
    EXPECT_LT(elapsed, 12500ms);
}

TEST(TftpClientTest, ShortFileLowersTheTotalSoTheCountStaysBelowTheSize) {
    DiskFile file(PatternBytes(1000));
    FakeUdpSockets sockets(AckEverything());
    Upload upload(sockets);

    ASSERT_EQ(upload.Start(file.Path(), 2000), 0);
    upload.Finish();

    const auto sent = sockets.Sent();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[2].data.size(), 4u + 488u);
    EXPECT_EQ(sent[3].data.size(), 4u);
    EXPECT_THAT(upload.progress.Counts(), ElementsAre(512u, 1000u, 1000u, 1000u));
}

TEST(TftpClientTest, LongerFileSendsOnlyTheGivenTotal) {
    const auto content = PatternBytes(3000);
    DiskFile file(content);
    FakeUdpSockets sockets(AckEverything());
    Upload upload(sockets);

    ASSERT_EQ(upload.Start(file.Path(), 1000), 0);
    upload.Finish();

    const auto payload = DataPayload(sockets.Sent());
    EXPECT_THAT(payload, ElementsAreArray(content.begin(), content.begin() + 1000));
    EXPECT_THAT(upload.progress.Counts(), ElementsAre(512u, 1000u));
}

TEST(TftpClientTest, RefusesToStartWithoutFileOrWithTooLargeTotal) {
    FakeUdpSockets sockets(AckEverything());
    Upload upload(sockets);

    EXPECT_EQ(upload.Start("/nonexistent/rlq-tftp-file", 10), 1);
    EXPECT_FALSE(upload.tftp.IsRunning());

    DiskFile file(PatternBytes(16));
    EXPECT_EQ(upload.Start(file.Path(), 65533u * 512u + 512u), 1);
    EXPECT_FALSE(upload.tftp.IsRunning());
    EXPECT_THAT(sockets.Opened(), IsEmpty());
}

TEST(TftpClientTest, SecondStartWhileRunningLeavesTheUploadAlone) {
    DiskFile file(PatternBytes(1500));
    std::mutex mutex;
    std::condition_variable released;
    bool go = false;
    FakeUdpSockets sockets([&](const SentDatagram& sent) {
        if (sent.index == 1) {
            std::unique_lock lock(mutex);
            released.wait(lock, [&] { return go; });
        }
        return AckFromUnit(sent);
    });
    Upload upload(sockets);
    ASSERT_EQ(upload.Start(file.Path(), 1500), 0);

    EXPECT_EQ(upload.Start(file.Path(), 10), 1);
    EXPECT_TRUE(upload.tftp.IsRunning());
    {
        std::lock_guard lock(mutex);
        go = true;
    }
    released.notify_all();
    upload.Finish();

    EXPECT_THAT(upload.progress.Counts(), ElementsAre(512u, 1024u, 1500u));
}

TEST(TftpClientTest, EndsWithoutProgressWhenSocketOrSendsFail) {
    for (const bool socketFails : {true, false}) {
        DiskFile file(PatternBytes(100));
        FakeUdpSockets sockets(AckEverything());
        sockets.refuseOpen = socketFails;
        if (!socketFails) {
            sockets.sendResult = platform::SendResult{-1, {1, "Operation not permitted"}};
        }
        Upload upload(sockets);

        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(upload.Start(file.Path(), 100), 0);
        upload.Finish();
        // Five sends 100 ms apart before a send failure ends the transfer.
        EXPECT_GE(std::chrono::steady_clock::now() - started, socketFails ? 0ms : 490ms);
        EXPECT_EQ(sockets.Sent().size(), socketFails ? 0u : 5u);
        EXPECT_THAT(upload.progress.Counts(), IsEmpty());
    }
}

TEST(TftpClientTest, FileReadErrorEndsTheTransferAsFailed) {
    DiskFile file(PatternBytes(1000));
    FakeUdpSockets sockets(AckEverything());
    Upload upload(sockets);
    upload.files.failReads = true;

    ASSERT_EQ(upload.Start(file.Path(), 1000), 0);
    upload.Finish();
    const auto sent = sockets.Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(BlockOf(sent[0].data), 0);
    EXPECT_THAT(upload.progress.Counts(), IsEmpty());
}

}  // namespace
}  // namespace rlq::testing
