#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <winsock2.h>

#include <wininet.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "common/text_cut.h"
#include "platform/http_layer.h"
#include "platform/process.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

// A one-connection HTTP server on 127.0.0.1: keeps what it got, answers `response` (or nothing).
class LoopbackServer {
  public:
    explicit LoopbackServer(std::string response) : m_response(std::move(response)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        int length = sizeof local;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&local), sizeof local);
        ::listen(m_listener, 1);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&local), &length);
        m_port = ::ntohs(local.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        m_release.set_value();
        ::closesocket(m_listener);
        m_thread.join();
    }

    std::uint16_t Port() const { return m_port; }
    // The request as received, once it is complete.
    std::string Request() { return m_received.get_future().get(); }

  private:
    void Serve() {
        const SOCKET client = ::accept(m_listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            m_received.set_value({});
            return;
        }
        std::string request;
        char buffer[4096];
        std::size_t wanted = std::string::npos;
        while (request.size() < wanted) {
            const int got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                break;
            }
            request.append(buffer, static_cast<std::size_t>(got));
            const auto end = request.find("\r\n\r\n");
            if (wanted == std::string::npos && end != std::string::npos) {
                const auto field = request.find("Content-Length: ");
                const std::size_t body = field < end ? std::stoul(request.substr(field + 16)) : 0;
                wanted = end + 4 + body;
            }
        }
        m_received.set_value(request);
        if (!m_response.empty()) {
            ::send(client, m_response.data(), static_cast<int>(m_response.size()), 0);
        }
        m_release.get_future().wait();
        ::closesocket(client);
    }

    std::string m_response;
    SOCKET m_listener;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    std::promise<std::string> m_received;
    std::promise<void> m_release;
};

// A loopback port that nothing listens on.
std::uint16_t UnusedPort() {
    const SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    int length = sizeof local;
    ::bind(probe, reinterpret_cast<sockaddr*>(&local), sizeof local);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length);
    ::closesocket(probe);
    return ::ntohs(local.sin_port);
}

// wininet.dll's own text for `code`, in the user's language.
std::string WinInetMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        ::GetModuleHandleW(L"wininet.dll"), code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    ::LocalFree(text);
    while (!message.empty() && std::wstring_view(L"\r\n ").find(message.back()) != message.npos) {
        message.pop_back();
    }
    return win32::Narrow(message);
}

// Bytes of `utf8` in the system code page, the whole text at once.
int SystemCodePageBytes(std::string_view utf8) {
    const std::wstring wide = win32::Widen(utf8);
    return ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
}

class WinInetLayerTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SystemProcess().StartSockets()); }

    std::unique_ptr<HttpRoot> Root(std::chrono::milliseconds timeout = 12000ms) {
        auto root = SystemHttpLayer().OpenRoot("RLQUpdater", {timeout, timeout, timeout});
        EXPECT_TRUE(root.result.ok) << root.result.message;
        return std::move(root.handle);
    }
};

TEST_F(WinInetLayerTest, PostGoesOutWithHeadersAndBodyAndGivesTheStatus) {
    LoopbackServer server("HTTP/1.0 204 No Content\r\n\r\n");
    auto root = Root();
    auto connection = root->Connect(MakeIpv4(127, 0, 0, 1), server.Port());
    ASSERT_TRUE(connection.result.ok) << connection.result.message;
    auto request = connection.handle->OpenRequest("POST", "/update", "HTTP/1.0");
    ASSERT_TRUE(request.result.ok) << request.result.message;
    const std::vector<std::uint8_t> body{0x00, 0x01, 0xFF, 'x'};
    const HttpResult sent = request.handle->Send("Content-Type: application/octet-stream", body);
    ASSERT_TRUE(sent.ok) << sent.message;
    EXPECT_EQ(request.handle->StatusCode(), 204u);

    const std::string received = server.Request();
    EXPECT_EQ(received.rfind("POST /update HTTP/1.0\r\n", 0), 0u) << received;
    EXPECT_THAT(received, HasSubstr("User-Agent: RLQUpdater\r\n"));
    EXPECT_THAT(received, HasSubstr("Content-Type: application/octet-stream\r\n"));
    EXPECT_THAT(received, HasSubstr("Content-Length: 4\r\n"));
    EXPECT_EQ(received.substr(received.size() - 4), std::string("\x00\x01\xFFx", 4));
}

TEST_F(WinInetLayerTest, RequestWithoutBodyCarriesNoContentType) {
    LoopbackServer server("HTTP/1.0 500 Internal Server Error\r\n\r\n");
    auto root = Root();
    auto request = root->Connect(MakeIpv4(127, 0, 0, 1), server.Port())
                       .handle->OpenRequest("POST", "/update_reset", "HTTP/1.0");
    const HttpResult sent = request.handle->Send("", {});
    ASSERT_TRUE(sent.ok) << sent.message;
    EXPECT_EQ(request.handle->StatusCode(), 500u);
    const std::string received = server.Request();
    EXPECT_EQ(received.rfind("POST /update_reset HTTP/1.0\r\n", 0), 0u);
    EXPECT_THAT(received, Not(HasSubstr("Content-Type")));
}

TEST_F(WinInetLayerTest, RefusedConnectionFailsWithTheSystemsText) {
    const std::uint16_t closedPort = UnusedPort();
    auto root = Root();
    auto request = root->Connect(MakeIpv4(127, 0, 0, 1), closedPort)
                       .handle->OpenRequest("POST", "/update", "HTTP/1.0");
    ASSERT_TRUE(request.result.ok);
    const HttpResult sent = request.handle->Send("", {});
    EXPECT_FALSE(sent.ok);
    ASSERT_FALSE(WinInetMessage(ERROR_INTERNET_CANNOT_CONNECT).empty());
    EXPECT_EQ(sent.message, WinInetMessage(ERROR_INTERNET_CANNOT_CONNECT));
    EXPECT_FALSE(request.handle->StatusCode().has_value());
}

// What the watch on a unit that stops answering does: the send ends at the close, not at the
// layer's 12 s time-out (which is where Wine ends the call itself).
TEST_F(WinInetLayerTest, CloseFromAnotherThreadEndsABlockedSend) {
    LoopbackServer silent("");  // takes the request and never answers
    auto root = Root(12000ms);
    auto request = root->Connect(MakeIpv4(127, 0, 0, 1), silent.Port())
                       .handle->OpenRequest("POST", "/update", "HTTP/1.0");
    ASSERT_TRUE(request.result.ok);
    auto sending = std::async(std::launch::async, [&] { return request.handle->Send("", {}); });
    silent.Request();
    std::this_thread::sleep_for(200ms);
    const auto start = std::chrono::steady_clock::now();
    root->Close();
    const HttpResult sent = sending.get();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(sent.ok);
    const std::string cancelled = WinInetMessage(ERROR_INTERNET_OPERATION_CANCELLED);
    ASSERT_FALSE(cancelled.empty());
    EXPECT_EQ(sent.message, cancelled);
    // Everything opened from a closed root fails at once, with the same text.
    EXPECT_EQ(root->Connect(MakeIpv4(127, 0, 0, 1), silent.Port()).result.message, cancelled);
    EXPECT_EQ(request.handle->Send("", {}).message, cancelled);
}

// Texts are cut to a byte capacity as the system code page stores them, whichever it is: never a
// byte more, never a character less, never half a character (CP932 stores あ in two bytes). The
// texts are longer than the capacity in any code page; one is WinINet's own, the text of a
// cancelled request. RLQ_TEST_CODE_PAGE names the code page the run must have (932 in the
// Japanese locale's run).
TEST(WinInetTextTest, CutCountsTheBytesOfTheSystemCodePage) {
    if (const char* wanted = std::getenv("RLQ_TEST_CODE_PAGE")) {
        ASSERT_EQ(std::to_string(::GetACP()), wanted);
    }
    std::string wide100;
    for (int i = 0; i < 100; ++i) {
        wide100 += "あ";
    }
    const auto bytesOf = [](std::string_view character) {
        return SystemHttpLayer().SystemCodePageBytes(character);
    };
    const struct {
        std::string text;
        int cp932Bytes;  // what the cut keeps on a Japanese system
    } cases[] = {{wide100, 78},
                 {"a" + wide100, 79},
                 {WinInetMessage(ERROR_INTERNET_OPERATION_CANCELLED), 78}};
    for (const auto& c : cases) {
        const std::string_view cut = CutToCapacity(c.text, 79, bytesOf);
        ASSERT_LT(cut.size(), c.text.size());
        EXPECT_LE(SystemCodePageBytes(cut), 79);
        EXPECT_GT(SystemCodePageBytes(c.text.substr(0, cut.size() + 3)), 79);  // one あ more
        if (::GetACP() == 932) {
            EXPECT_EQ(SystemCodePageBytes(cut), c.cp932Bytes);
        }
    }
}

}  // namespace
}  // namespace rlq::platform
