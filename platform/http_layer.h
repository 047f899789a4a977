#pragma once
// The HTTP operations the units' web interface needs: a root carrying the user agent and the
// time-outs, a connection to an address and port, and one HTTP/1.0 request whose headers and
// body go out in a single call. Failures come back as values with the layer's own readable text.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/ipv4.h"

namespace rlq::platform {

struct HttpResult {
    bool ok = true;
    std::string message;  // the layer's text for a failure; empty on success

    static HttpResult Success() { return {}; }
    static HttpResult Failure(std::string text) { return {false, std::move(text)}; }
};

// An opened handle, or null with the reason.
template <typename Handle>
struct HttpOpened {
    std::unique_ptr<Handle> handle;
    HttpResult result;
};

struct HttpTimeouts {
    std::chrono::milliseconds connect;
    std::chrono::milliseconds send;     // longest stall while sending
    std::chrono::milliseconds receive;  // longest stall while waiting for or reading the answer
};

class HttpRequest {
  public:
    virtual ~HttpRequest() = default;

    // Sends the request with `headers` (lines separated by CR LF, no final line end; may be
    // empty) and `body` (the whole content) and returns once the response head has arrived. The
    // response body is not read. A layer adds no content type of its own. A final status line is
    // an answer whatever follows it: missing headers or blank line, a reset, a body shorter or
    // longer than announced, junk.
    virtual HttpResult Send(std::string_view headers, std::span<const std::uint8_t> body) = 0;

    // The status code of the response, once Send has succeeded.
    virtual std::optional<std::uint32_t> StatusCode() const = 0;
};

class HttpConnection {
  public:
    virtual ~HttpConnection() = default;
    virtual HttpOpened<HttpRequest> OpenRequest(std::string_view verb, std::string_view object,
                                                std::string_view version) = 0;
};

class HttpRoot {
  public:
    virtual ~HttpRoot() = default;

    // Connects by address: no name is ever resolved.
    virtual HttpOpened<HttpConnection> Connect(Ipv4 server, std::uint16_t port) = 0;

    // May be called from any thread: every call blocked on this root, its connections or their
    // requests fails at once, and every later call on them fails. The handles stay valid until
    // their owners delete them.
    virtual void Close() = 0;
};

class HttpLayer {
  public:
    virtual ~HttpLayer() = default;
    virtual HttpOpened<HttpRoot> OpenRoot(std::string_view userAgent,
                                          const HttpTimeouts& timeouts) = 0;

    // Bytes one character of the layer's texts (one whole UTF-8 sequence) takes in the system's
    // narrow code page, which is how a text capacity in bytes is counted. UTF-8 unless the system
    // uses another.
    virtual std::size_t SystemCodePageBytes(std::string_view utf8Character) const {
        return utf8Character.size();
    }
};

// The system's HTTP layer (libcurl on Linux).
HttpLayer& SystemHttpLayer();

}  // namespace rlq::platform
