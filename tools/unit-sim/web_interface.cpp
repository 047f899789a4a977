#include "tools/unit-sim/web_interface.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>

#include "tools/unit-sim/poll_readable.h"

namespace rlq::sim {
namespace {

using platform::UniqueFd;

constexpr std::size_t kMaxHeadBytes = 64 * 1024;
constexpr std::size_t kMaxBodyBytes = 1024 * 1024;
constexpr auto kIdleLimit = std::chrono::milliseconds(5000);
// Longest wait for the client to acknowledge an answer before the connection is reset.
constexpr auto kDeliveryBound = std::chrono::milliseconds(1000);
constexpr auto kDeliveryLook = std::chrono::milliseconds(1);
constexpr std::uint32_t kNotFound = 404;
constexpr char kPartialAnswer[] = "HTTP/1.0 2";
constexpr char kGarbageAnswer[] = "\x01\x02 this is no HTTP \xFF\r\n\r\n";
constexpr char kInterimAnswer[] = "HTTP/1.0 100 Continue\r\n\r\n";

// The request's path names `object` of the web interface.
bool Names(const SimHttpRequest& request, std::string_view object) {
    return request.path.starts_with('/') && std::string_view(request.path).substr(1) == object;
}

const char* ReasonPhrase(std::uint32_t status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

std::string_view FaultAnswer(WebFault fault) {
    switch (fault) {
        case WebFault::Garbage:
            return kGarbageAnswer;
        case WebFault::InterimOnly:
            return kInterimAnswer;
        default:
            return kPartialAnswer;
    }
}

// Resets the connection once the client has acknowledged every byte sent, so that the reset
// cannot overtake the answer.
void ResetAfterDelivery(UniqueFd connection) {
    const auto deadline = std::chrono::steady_clock::now() + kDeliveryBound;
    int unacknowledged = 0;
    while (::ioctl(connection.Get(), SIOCOUTQ, &unacknowledged) == 0 && unacknowledged > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kDeliveryLook);
    }
    const linger reset{1, 0};
    ::setsockopt(connection.Get(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
}

UniqueFd OpenListener(Ipv4 address, std::uint16_t port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        return fd;
    }
    const int one = 1;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(address.HostOrder());
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd.Get(), 8) != 0) {
        fd.Reset();
    }
    return fd;
}

}  // namespace

WebInterface::WebInterface(WebInterfaceConfig config)
    : m_config(std::move(config)), m_chunks(m_config.payloadSize) {}

WebInterface::~WebInterface() {
    Stop();
}

bool WebInterface::Start() {
    if (m_serving.Running()) {
        return false;
    }
    m_listener = OpenListener(m_config.address, m_config.port);
    if (!m_listener) {
        std::fprintf(stderr, "web interface: cannot listen on %s:%u: %s\n",
                     FormatIpv4(m_config.address).c_str(), m_config.port, std::strerror(errno));
        return false;
    }
    m_serving.Start([this] { Serve(); });
    return true;
}

void WebInterface::Stop() {
    m_serving.Stop();
    std::lock_guard lock(m_mutex);
    m_held.clear();
    m_listener.Reset();
}

std::vector<WebRequestRecord> WebInterface::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool WebInterface::WaitForRequests(std::size_t count, std::chrono::milliseconds bound) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, bound, [&] { return m_requests.size() >= count; });
}

std::size_t WebInterface::AcceptedChunks() const {
    std::lock_guard lock(m_mutex);
    return m_chunks.AcceptedChunks();
}

bool WebInterface::UpdateComplete() const {
    std::lock_guard lock(m_mutex);
    return m_chunks.IsComplete();
}

std::vector<std::uint8_t> WebInterface::Payload() const {
    std::lock_guard lock(m_mutex);
    return m_chunks.Payload();
}

int WebInterface::ResetCount() const {
    std::lock_guard lock(m_mutex);
    return m_resets;
}

void WebInterface::Serve() {
    const auto pending = [this](std::chrono::milliseconds slice) {
        return PollReadable(m_listener.Get(), slice);
    };
    while (m_serving.Await(pending)) {
        UniqueFd connection(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection) {
            HandleConnection(std::move(connection));
        }
    }
}

std::optional<SimHttpRequest> WebInterface::ReadRequest(int fd) {
    std::string data;
    char buffer[4096];
    std::size_t headEnd = std::string::npos;
    std::optional<SimHttpRequest> request;
    std::size_t bodyLength = 0;
    const auto readable = [fd](std::chrono::milliseconds slice) { return PollReadable(fd, slice); };
    for (;;) {
        if (request && data.size() - headEnd >= bodyLength) {
            request->body.assign(data.begin() + static_cast<std::ptrdiff_t>(headEnd),
                                 data.begin() + static_cast<std::ptrdiff_t>(headEnd + bodyLength));
            return request;
        }
        if (!m_serving.Await(readable, kIdleLimit)) {
            return std::nullopt;
        }
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return std::nullopt;
        }
        data.append(buffer, static_cast<std::size_t>(got));
        if (request) {
            continue;
        }
        const auto blank = data.find("\r\n\r\n");
        if (blank == std::string::npos) {
            if (data.size() > kMaxHeadBytes) {
                return std::nullopt;
            }
            continue;
        }
        headEnd = blank + 4;
        request = ParseSimHttpHead(std::string_view(data).substr(0, headEnd));
        if (!request) {
            return std::nullopt;
        }
        if (const auto length = request->Header("Content-Length")) {
            const auto [end, ec] =
                std::from_chars(length->data(), length->data() + length->size(), bodyLength);
            if (ec != std::errc{} || bodyLength > kMaxBodyBytes) {
                return std::nullopt;
            }
        }
    }
}

std::uint32_t WebInterface::StatusFor(const SimHttpRequest& request) {
    if (request.method == "POST" && Names(request, kUpdatePath)) {
        const auto counter = UpdateReassembler::CounterOf(request.body);
        if (m_config.refusal && counter == m_config.refusal->chunk) {
            return m_config.refusal->status;
        }
        return m_chunks.Accept(request.body) == ChunkVerdict::Accepted ? m_config.chunkStatus
                                                                       : m_config.badChunkStatus;
    }
    if (request.method == "POST" && Names(request, kResetPath)) {
        ++m_resets;
        return m_config.resetStatus;
    }
    return kNotFound;
}

void WebInterface::HandleConnection(UniqueFd connection) {
    const auto request = ReadRequest(connection.Get());
    if (!request) {
        return;
    }
    WebRequestRecord record{request->method,
                            request->path,
                            request->version,
                            request->Header("User-Agent"),
                            request->Header("Content-Type"),
                            request->Header("Expect"),
                            request->body.size(),
                            0};
    std::unique_lock lock(m_mutex);
    const bool faulty =
        m_config.fault != WebFault::None && m_requests.size() >= m_config.faultFromRequest;
    const WebStyle style = m_config.styles.empty()
                               ? WebStyle::Full
                               : m_config.styles[m_requests.size() % m_config.styles.size()];
    if (!faulty) {
        record.status = StatusFor(*request);
    }
    m_requests.push_back(record);
    m_changed.notify_all();
    if (m_config.log) {
        std::string outcome = faulty ? "fault" : std::to_string(record.status);
        if (!faulty && style != WebStyle::Full) {
            outcome += " (" + std::string(WebStyleName(style)) + ")";
        }
        char line[200];
        std::snprintf(line, sizeof line, "web: %s %s %s, %zu bytes -> %s", record.method.c_str(),
                      record.path.c_str(), record.version.c_str(), record.bodyLength,
                      outcome.c_str());
        m_config.log(line);
    }
    if (faulty && m_config.fault == WebFault::NeverAnswer) {
        m_held.push_back(std::move(connection));
        return;
    }
    lock.unlock();

    if (faulty) {
        platform::SendAll(connection.Get(), FaultAnswer(m_config.fault));
        return;
    }
    platform::SendAll(connection.Get(),
                      ComposeWebAnswer(style, record.status, ReasonPhrase(record.status)));
    if (style == WebStyle::StatusReset) {
        ResetAfterDelivery(std::move(connection));
    } else {
        ::shutdown(connection.Get(), SHUT_WR);
    }
    if (Names(*request, kResetPath) && m_config.onReset) {
        m_config.onReset();
    }
}

}  // namespace rlq::sim
