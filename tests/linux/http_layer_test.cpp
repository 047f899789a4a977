// The libcurl layer and CHttp against the simulated web interface on loopback.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "net/http.h"
#include "platform/http_layer.h"
#include "tests/netns/private_netns.h"
#include "tests/support/sim_test_support.h"
#include "tests/support/tftp_test_support.h"
#include "tools/unit-sim/web_interface.h"

namespace rlq::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::Not;
using Clock = std::chrono::steady_clock;

constexpr Ipv4 kMainUnit = MakeIpv4(127, 0, 0, 2);
constexpr Ipv4 kNobody = MakeIpv4(127, 0, 0, 3);
constexpr std::size_t kPayloadSize = 655360;

struct Outcome {
    std::uint32_t status = 12345;
    HttpError error = static_cast<HttpError>(12345);
    std::string text;
    Clock::duration elapsed{};
};

Outcome Post(CHttp& http, Ipv4 address, HttpMode mode, const char* path,
             const std::vector<std::uint8_t>& body = {}) {
    Outcome outcome;
    const std::uint32_t length = static_cast<std::uint32_t>(body.size());
    const auto started = Clock::now();
    http.Request(mode, address, path, body.empty() ? nullptr : body.data(), &length,
                 &outcome.status, &outcome.error);
    outcome.elapsed = Clock::now() - started;
    outcome.text = http.GetErrorText();
    return outcome;
}

class HttpCurlTest : public PrivateNetnsTest {
  protected:
    sim::WebInterface& Serve(sim::WebInterfaceConfig config = {}) {
        config.address = kMainUnit;
        m_web = std::make_unique<sim::WebInterface>(std::move(config));
        EXPECT_TRUE(m_web->Start());
        return *m_web;
    }

    std::unique_ptr<sim::WebInterface> m_web;
};

TEST_F(HttpCurlTest, UploadsAllChunksInTheUnitsWireFormat) {
    sim::WebInterface& web = Serve();
    const auto payload = PatternBytes(kPayloadSize);
    CHttp http(platform::SystemHttpLayer());

    for (std::uint16_t counter = 0; counter < 32; ++counter) {
        const Outcome outcome =
            Post(http, kMainUnit, HttpMode::WithBody, "update", ChunkMessage(payload, counter));
        ASSERT_EQ(outcome.error, HttpError::None) << outcome.text;
        ASSERT_EQ(outcome.status, 200u);
        ASSERT_EQ(outcome.text, "");
    }

    EXPECT_TRUE(web.UpdateComplete());
    EXPECT_EQ(web.Payload(), payload);
    const auto requests = web.Requests();
    ASSERT_EQ(requests.size(), 32u);
    const auto& first = requests.front();
    EXPECT_EQ(first.method, "POST");
    EXPECT_EQ(first.path, "/update");
    EXPECT_EQ(first.version, "HTTP/1.0");
    EXPECT_EQ(first.userAgent, "RLQUpdater");
    EXPECT_EQ(first.contentType, "application/octet-stream");
    EXPECT_EQ(first.expect, std::nullopt);
    EXPECT_EQ(first.bodyLength, 20486u);
}

TEST_F(HttpCurlTest, ResetCarriesNoContentAndArmsTheLoader) {
    std::atomic<int> armed{0};
    sim::WebInterface& web = Serve({.resetStatus = 204, .onReset = [&] { ++armed; }});
    CHttp http(platform::SystemHttpLayer());

    const Outcome outcome = Post(http, kMainUnit, HttpMode::WithoutBody, "update_reset");
    EXPECT_EQ(outcome.error, HttpError::None) << outcome.text;
    EXPECT_EQ(outcome.status, 204u);

    const auto requests = web.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/update_reset");
    EXPECT_EQ(requests[0].version, "HTTP/1.0");
    EXPECT_EQ(requests[0].contentType, std::nullopt);
    EXPECT_EQ(requests[0].expect, std::nullopt);
    EXPECT_EQ(requests[0].bodyLength, 0u);
    EXPECT_EQ(web.ResetCount(), 1);
    for (int i = 0; i < 100 && armed.load() == 0; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(armed.load(), 1);
}

// A unit dropping into its loader may answer with little more than its status line; the status
// stands whatever follows it.
TEST_F(HttpCurlTest, TerseAnswersEndWithTheirStatus) {
    using sim::WebStyle;
    const std::vector<WebStyle> styles{WebStyle::StatusOnly,  WebStyle::StatusReset,
                                       WebStyle::NoBlankLine, WebStyle::ShortBody,
                                       WebStyle::LongBody,    WebStyle::Junk};
    sim::WebInterface& web = Serve({.styles = styles});
    CHttp http(platform::SystemHttpLayer());

    for (const WebStyle style : styles) {
        const Outcome outcome = Post(http, kMainUnit, HttpMode::WithoutBody, "update_reset");
        EXPECT_EQ(outcome.error, HttpError::None)
            << sim::WebStyleName(style) << ": " << outcome.text;
        EXPECT_EQ(outcome.status, 204u) << sim::WebStyleName(style);
        EXPECT_EQ(outcome.text, "") << sim::WebStyleName(style);
        EXPECT_LT(outcome.elapsed, 2s) << sim::WebStyleName(style);
    }
    EXPECT_EQ(web.ResetCount(), static_cast<int>(styles.size()));
}

TEST_F(HttpCurlTest, RefusedChunkStatusComesBackWithoutError) {
    sim::WebInterface& web = Serve({.refusal = sim::ChunkRefusal{2, 404}});
    const auto payload = PatternBytes(kPayloadSize);
    CHttp http(platform::SystemHttpLayer());

    EXPECT_EQ(Post(http, kMainUnit, HttpMode::WithBody, "update", ChunkMessage(payload, 0)).status,
              200u);
    EXPECT_EQ(Post(http, kMainUnit, HttpMode::WithBody, "update", ChunkMessage(payload, 1)).status,
              200u);
    const Outcome refused =
        Post(http, kMainUnit, HttpMode::WithBody, "update", ChunkMessage(payload, 2));
    EXPECT_EQ(refused.error, HttpError::None);
    EXPECT_EQ(refused.status, 404u);
    EXPECT_EQ(refused.text, "");
    EXPECT_EQ(web.AcceptedChunks(), 2u);
}

TEST_F(HttpCurlTest, RefusedConnectionFailsAtOnceWithTheLayersText) {
    CHttp http(platform::SystemHttpLayer());
    const Outcome outcome = Post(http, kNobody, HttpMode::WithoutBody, "update_reset");
    EXPECT_EQ(outcome.error, HttpError::LayerFailed);
    EXPECT_EQ(outcome.status, 0u);
    EXPECT_THAT(outcome.text, HasSubstr("onnect"));
    EXPECT_LT(outcome.elapsed, 2s);
}

TEST_F(HttpCurlTest, BrokenAnswersFailTheRequest) {
    for (const auto fault :
         {sim::WebFault::Garbage, sim::WebFault::CloseMidResponse, sim::WebFault::InterimOnly}) {
        Serve({.fault = fault});
        CHttp http(platform::SystemHttpLayer());
        const Outcome outcome = Post(http, kMainUnit, HttpMode::WithoutBody, "update_reset");
        EXPECT_EQ(outcome.error, HttpError::LayerFailed);
        EXPECT_EQ(outcome.status, 0u);
        EXPECT_THAT(outcome.text, Not(AnyOf("", "No error")));
        EXPECT_LT(outcome.elapsed, 2s);
        m_web.reset();
    }
}

// The layer's own receive time-out ends a request to a unit that never answers, when the watch
// is set longer than the layer's 12 s.
TEST_F(HttpCurlTest, SilentUnitMeetsTheLayersReceiveTimeout) {
    sim::WebInterface& web = Serve({.fault = sim::WebFault::NeverAnswer});
    CHttp http(platform::SystemHttpLayer(), NoListeners<NetObserver>(),
               HttpWatchTiming{200ms, 100, 500ms});
    const Outcome outcome =
        Post(http, kMainUnit, HttpMode::WithBody, "update", std::vector<std::uint8_t>(20486));
    EXPECT_EQ(outcome.error, HttpError::LayerFailed);
    EXPECT_EQ(outcome.status, 0u);
    EXPECT_THAT(outcome.text, Not(""));
    EXPECT_GE(outcome.elapsed, 12s);
    EXPECT_LT(outcome.elapsed, 15s);
    EXPECT_EQ(web.Requests().size(), 1u);
}

// With a short watch every attempt is cancelled; each cancellation must end the blocked call
// promptly, or the four attempts would take longer.
TEST_F(HttpCurlTest, CancelledAttemptsEndPromptlyAndGiveErrorThree) {
    sim::WebInterface& web = Serve({.fault = sim::WebFault::NeverAnswer});
    CHttp http(platform::SystemHttpLayer(), NoListeners<NetObserver>(),
               HttpWatchTiming{50ms, 10, 20ms});
    const Outcome outcome = Post(http, kMainUnit, HttpMode::WithoutBody, "update_reset");
    EXPECT_EQ(outcome.error, HttpError::TimedOut);
    EXPECT_EQ(outcome.status, 0u);
    EXPECT_EQ(outcome.text, "The request was cancelled");
    EXPECT_GE(outcome.elapsed, 4 * 500ms + 3 * 20ms);
    EXPECT_LT(outcome.elapsed, 4 * 500ms + 3 * 20ms + 4 * 100ms);
    EXPECT_TRUE(web.WaitForRequests(4, 1s));
}

}  // namespace
}  // namespace rlq::testing
