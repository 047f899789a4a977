#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "common/ipv4.h"
#include "common/unit_network.h"
#include "net/http.h"
#include "tests/doubles/http_layer.h"

namespace rlq::testing {
namespace {

using namespace std::chrono_literals;
using Kind = FakeSend::Kind;

constexpr Ipv4 kUnit = MakeIpv4(10, 10, 1, 1);
// A watch of 5 × 10 ms and 20 ms pauses keep the repeat tests short.
constexpr HttpWatchTiming kQuickTiming{10ms, 5, 20ms};

struct Outcome {
    std::uint32_t status = 12345;
    HttpError error = static_cast<HttpError>(12345);
    std::string text;
};

Outcome Post(CHttp& http, HttpMode mode, const char* path,
             const std::vector<std::uint8_t>& body = {}) {
    Outcome outcome;
    const std::uint32_t length = static_cast<std::uint32_t>(body.size());
    http.Request(mode, kUnit, path, body.empty() ? nullptr : body.data(), &length, &outcome.status,
                 &outcome.error);
    outcome.text = http.GetErrorText();
    return outcome;
}

TEST(HttpClientTest, ChunkRequestCarriesBodyAndContentType) {
    FakeHttpLayer layer;
    CHttp http(layer);
    std::vector<std::uint8_t> body(20486);
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<std::uint8_t>(i * 13);
    }

    for (int round = 0; round < 2; ++round) {  // one object serves requests in sequence
        const Outcome outcome = Post(http, HttpMode::WithBody, "update", body);
        EXPECT_EQ(outcome.error, HttpError::None);
        EXPECT_EQ(outcome.status, 200u);
        EXPECT_EQ(outcome.text, "");
        EXPECT_EQ(layer.LiveHandles(), 0);
    }

    const auto attempts = layer.Attempts();
    ASSERT_EQ(attempts.size(), 2u);
    const FakeAttempt& attempt = attempts[1];
    EXPECT_EQ(attempt.userAgent, "RLQUpdater");
    EXPECT_EQ(attempt.timeouts.connect, 12000ms);
    EXPECT_EQ(attempt.timeouts.send, 12000ms);
    EXPECT_EQ(attempt.timeouts.receive, 12000ms);
    EXPECT_EQ(attempt.server, MakeIpv4(10, 10, 1, 1));
    EXPECT_EQ(attempt.port, kHttpPort);
    EXPECT_EQ(attempt.verb, "POST");
    EXPECT_EQ(attempt.object, "/update");
    EXPECT_EQ(attempt.version, "HTTP/1.0");
    EXPECT_EQ(attempt.headers, "Content-Type: application/octet-stream");
    EXPECT_EQ(attempt.body, body);
}

TEST(HttpClientTest, ResetRequestHasNoHeadersNorBodyAndPassesAnyStatus) {
    for (const std::uint32_t status : {204u, 500u, 404u}) {
        FakeHttpLayer layer;
        layer.sends = {{Kind::Answer, status, ""}};
        CHttp http(layer);
        const std::vector<std::uint8_t> ignored = {1, 2, 3};
        const Outcome outcome = Post(http, HttpMode::WithoutBody, "update_reset", ignored);
        EXPECT_EQ(outcome.error, HttpError::None);
        EXPECT_EQ(outcome.status, status);
        const auto attempts = layer.Attempts();
        ASSERT_EQ(attempts.size(), 1u);
        EXPECT_EQ(attempts[0].object, "/update_reset");
        EXPECT_EQ(attempts[0].headers, "");
        EXPECT_TRUE(attempts[0].body.empty());
    }
}

TEST(HttpClientTest, LayerFailuresEndTheRequestWithoutRepeat) {
    const std::string message = "Failed to connect to 10.10.1.1 port 80: Connection refused";
    for (int point = 0; point < 4; ++point) {
        FakeHttpLayer layer;
        switch (point) {
            case 0:
                layer.rootFailure = message;
                break;
            case 1:
                layer.connectFailure = message;
                break;
            case 2:
                layer.openFailure = message;
                break;
            default:
                layer.sends = {{Kind::Fail, 0, message}};
        }
        CHttp http(layer);
        const Outcome outcome = Post(http, HttpMode::WithBody, "update", {1, 2});
        SCOPED_TRACE(point);
        EXPECT_EQ(outcome.error, HttpError::LayerFailed);
        EXPECT_EQ(outcome.status, 0u);
        EXPECT_EQ(outcome.text, message);
        EXPECT_LE(layer.Attempts().size(), 1u);
        EXPECT_EQ(layer.LiveHandles(), 0);
    }
}

TEST(HttpClientTest, RejectsPathsThatDoNotFormAnHttpUrl) {
    for (const char* path :
         {"up\r\nX-Injected: 1", "update\x7f", static_cast<const char*>(nullptr)}) {
        FakeHttpLayer layer;
        CHttp http(layer);
        const Outcome outcome = Post(http, HttpMode::WithoutBody, path);
        EXPECT_EQ(outcome.error, HttpError::BadUrl);
        EXPECT_EQ(outcome.status, 0u);
        EXPECT_EQ(outcome.text, "URLが不適切です。");
        EXPECT_TRUE(layer.Attempts().empty());
    }
}

TEST(HttpClientTest, SecondRequestWhileBusyIsTurnedAwayAtOnce) {
    FakeHttpLayer layer;
    layer.sends = {{Kind::HangUntilReleased, 204, ""}};
    CHttp http(layer);
    const std::vector<std::uint8_t> body(100, 0x5A);
    auto first = std::async(std::launch::async,
                            [&] { return Post(http, HttpMode::WithBody, "update", body); });
    layer.WaitUntilSending();

    std::uint32_t status = 99;
    HttpError error = HttpError::None;
    const auto started = std::chrono::steady_clock::now();
    http.Request(HttpMode::WithoutBody, kUnit, "update_reset", nullptr, nullptr, &status, &error);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 100ms);
    EXPECT_EQ(error, HttpError::Busy);
    EXPECT_EQ(status, 0u);

    layer.Release();
    const Outcome outcome = first.get();
    EXPECT_EQ(outcome.error, HttpError::None);
    EXPECT_EQ(outcome.status, 204u);
    const auto attempts = layer.Attempts();
    ASSERT_EQ(attempts.size(), 1u);
    EXPECT_EQ(attempts[0].object, "/update");
    EXPECT_EQ(attempts[0].body, body);
}

TEST(HttpClientTest, FourAttemptsOutlivingTheWatchGiveErrorThree) {
    FakeHttpLayer layer;
    layer.sends = {{Kind::HangUntilClosed, 0, "cancelled 1"},
                   {Kind::HangUntilClosed, 0, "cancelled 2"},
                   {Kind::HangUntilClosed, 0, "cancelled 3"},
                   {Kind::HangUntilClosed, 0, "cancelled 4"}};
    CHttp http(layer, NoListeners<NetObserver>(), kQuickTiming);

    const auto started = std::chrono::steady_clock::now();
    const Outcome outcome = Post(http, HttpMode::WithBody, "update", {7});
    const auto elapsed = std::chrono::steady_clock::now() - started;

    EXPECT_EQ(outcome.error, HttpError::TimedOut);
    EXPECT_EQ(outcome.status, 0u);
    EXPECT_EQ(outcome.text, "cancelled 4");
    const auto attempts = layer.Attempts();
    ASSERT_EQ(attempts.size(), 4u);
    for (const auto& attempt : attempts) {
        EXPECT_TRUE(attempt.closed);
    }
    EXPECT_EQ(layer.LiveHandles(), 0);
    EXPECT_GE(elapsed, 4 * 50ms + 3 * 20ms);
}

TEST(HttpClientTest, AttemptAfterACancelledOneSucceedsWithEmptyText) {
    FakeHttpLayer layer;
    layer.sends = {{Kind::HangUntilClosed, 0, "cancelled"}, {Kind::Answer, 200, ""}};
    CHttp http(layer, NoListeners<NetObserver>(), kQuickTiming);

    const Outcome outcome = Post(http, HttpMode::WithBody, "update", {7});
    EXPECT_EQ(outcome.error, HttpError::None);
    EXPECT_EQ(outcome.status, 200u);
    EXPECT_EQ(outcome.text, "");
    EXPECT_EQ(layer.Attempts().size(), 2u);
}

std::string Repeat(std::string_view text, int count) {
    std::string repeated;
    for (int i = 0; i < count; ++i) {
        repeated += text;
    }
    return repeated;
}

// The 79 bytes are counted as the system code page stores the text: UTF-8 bytes on Linux, one or
// two bytes a character in a double-byte code page, where the UTF-8 text may be much longer.
TEST(HttpClientTest, ErrorTextIsCutWithoutSplittingCharacters) {
    const std::string ascii79(79, 'a');
    const std::string threeByte = "\xE3\x81\x82";  // あ, two bytes in the double-byte code page
    const std::string halfWidth = "\xEF\xBD\xB1";  // ｱ, one byte there
    const struct {
        bool doubleByteCodePage;
        std::string message;
        std::string expected;
    } cases[] = {
        {false, ascii79, ascii79},
        {false, ascii79 + "b", ascii79},
        {false, std::string(78, 'a') + threeByte, std::string(78, 'a')},
        {false, std::string(76, 'a') + threeByte + "z", std::string(76, 'a') + threeByte},
        {false, std::string(77, 'a') + "\xC3\xA9" + "z", std::string(77, 'a') + "\xC3\xA9"},
        {true, ascii79 + "b", ascii79},
        {true, Repeat(threeByte, 39) + "a", Repeat(threeByte, 39) + "a"},
        {true, Repeat(threeByte, 40), Repeat(threeByte, 39)},
        {true, "a" + Repeat(threeByte, 40), "a" + Repeat(threeByte, 39)},
        {true, Repeat(halfWidth, 80), Repeat(halfWidth, 79)},
    };
    for (const auto& c : cases) {
        FakeHttpLayer layer;
        layer.doubleByteCodePage = c.doubleByteCodePage;
        layer.sends = {{Kind::Fail, 0, c.message}};
        CHttp http(layer);
        EXPECT_EQ(Post(http, HttpMode::WithoutBody, "update_reset").text, c.expected);
    }
}

}  // namespace
}  // namespace rlq::testing
