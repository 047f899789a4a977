#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/sim_test_support.h"
#include "tests/support/tftp_test_support.h"
#include "tools/unit-sim/service_thread.h"
#include "tools/unit-sim/sim_http_request.h"
#include "tools/unit-sim/sim_payload.h"
#include "tools/unit-sim/sim_update_chunks.h"

namespace rlq::testing {
namespace {

using sim::ChunkVerdict;

TEST(SimPayloadTest, RecoversTransformedPayloadAcrossCounterWrap) {
    const auto payload = PatternBytes(700);  // the counter wraps after 149 bytes
    const auto sent = TransformForLoader(payload);
    EXPECT_EQ(sent[0], static_cast<std::uint8_t>((payload[0] - 0x6B) ^ 0xA7));
    EXPECT_EQ(sim::RecoverLoaderPayload(sent), payload);
    EXPECT_EQ(sim::ComparePayload(sim::RecoverLoaderPayload(sent), payload), std::nullopt);
}

TEST(SimPayloadTest, DescribesTheFirstDifference) {
    const std::vector<std::uint8_t> expected = {1, 2, 3, 4};
    EXPECT_EQ(sim::ComparePayload(std::vector<std::uint8_t>{1, 2, 9, 4}, expected),
              "first difference at offset 2: 0x09, expected 0x03");
    EXPECT_EQ(sim::ComparePayload(std::vector<std::uint8_t>{1, 2}, expected),
              "length 2, expected 4 (equal up to there)");
}

TEST(SimUpdateChunksTest, ReassemblesChunksInSequence) {
    const auto payload = PatternBytes(3 * 20480);
    sim::UpdateReassembler chunks(payload.size());
    EXPECT_EQ(chunks.Accept(ChunkMessage(payload, 1)), ChunkVerdict::OutOfSequence);
    for (std::uint16_t counter = 0; counter < 3; ++counter) {
        EXPECT_FALSE(chunks.IsComplete());
        EXPECT_EQ(chunks.Accept(ChunkMessage(payload, counter)), ChunkVerdict::Accepted);
    }
    EXPECT_TRUE(chunks.IsComplete());
    EXPECT_EQ(chunks.Payload(), payload);
    EXPECT_EQ(chunks.Accept(ChunkMessage(payload, 3 - 1)), ChunkVerdict::OutOfSequence);
}

TEST(SimUpdateChunksTest, RejectsDamagedMessages) {
    const auto payload = PatternBytes(2 * 20480);
    sim::UpdateReassembler chunks(20480);
    auto badMark = ChunkMessage(payload, 0);
    badMark[1] = 0x98;
    EXPECT_EQ(chunks.Accept(badMark), ChunkVerdict::Malformed);
    auto shortMessage = ChunkMessage(payload, 0);
    shortMessage.pop_back();
    EXPECT_EQ(chunks.Accept(shortMessage), ChunkVerdict::Malformed);
    auto badCheck = ChunkMessage(payload, 0);
    badCheck[6] ^= 1;
    EXPECT_EQ(chunks.Accept(badCheck), ChunkVerdict::BadCheckValue);
    EXPECT_EQ(chunks.Accept(ChunkMessage(payload, 0)), ChunkVerdict::Accepted);
    EXPECT_EQ(chunks.Accept(ChunkMessage(payload, 1)), ChunkVerdict::BeyondPayload);
    EXPECT_EQ(chunks.AcceptedChunks(), 1u);
}

TEST(SimUpdateChunksTest, CheckValueWrapsAtSixteenBits) {
    std::vector<std::uint8_t> data(20480, 0);
    data[0] = 0xFF;
    data[1] = 0xFF;  // words sum to 0xFFFF
    EXPECT_EQ(sim::ChunkCheckValue(data, 0), 0xFFFF);
    EXPECT_EQ(sim::ChunkCheckValue(data, 1), 0x0000);
}

TEST(SimHttpRequestTest, ParsesRequestLineAndHeaders) {
    const auto request = sim::ParseSimHttpHead(
        "POST /update HTTP/1.0\r\nUser-Agent: RLQUpdater\r\ncontent-type:  application/x \r\n\r\n");
    ASSERT_TRUE(request);
    EXPECT_EQ(request->method, "POST");
    EXPECT_EQ(request->path, "/update");
    EXPECT_EQ(request->version, "HTTP/1.0");
    EXPECT_EQ(request->Header("user-agent"), "RLQUpdater");
    EXPECT_EQ(request->Header("Content-Type"), "application/x");
    EXPECT_EQ(request->Header("Expect"), std::nullopt);
    EXPECT_FALSE(sim::ParseSimHttpHead("garbage\r\n\r\n"));
}

// A service's waits end when their bound passes or at Stop, never later.
TEST(ServiceThreadTest, WaitsEndAtTheirBoundOrAtStop) {
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    const auto never = [](std::chrono::milliseconds slice) {
        std::this_thread::sleep_for(slice);
        return false;
    };
    sim::ServiceThread serving;
    std::atomic<Clock::duration> bounded{Clock::duration::zero()};
    std::atomic<bool> endless{true};
    serving.Start([&] {
        const auto start = Clock::now();
        serving.Await(never, 120ms);
        bounded = Clock::now() - start;
        endless = serving.Await(never);
    });
    while (bounded.load() == Clock::duration::zero()) {
        std::this_thread::sleep_for(10ms);
    }
    const auto stopAt = Clock::now();
    serving.Stop();
    EXPECT_LT(Clock::now() - stopAt, 10 * sim::kStopLook);
    EXPECT_GE(bounded.load(), 120ms);
    EXPECT_LT(bounded.load(), 1s);
    EXPECT_FALSE(endless);
}

}  // namespace
}  // namespace rlq::testing
