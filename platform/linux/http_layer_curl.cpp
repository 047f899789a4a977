// HTTP layer on libcurl. Each request runs on its own multi handle so that closing the root from
// another thread can wake the blocked transfer at once (curl_multi_wakeup).
//
// Time-outs: the connect time-out is CURLOPT_CONNECTTIMEOUT_MS. libcurl has no per-call send or
// receive time-out, and its low-speed limit averages over several seconds, so both map onto an
// inactivity watchdog in the progress callback: once connected, a transfer in which no byte moves
// either way for as long as the longer of the two time-outs fails with libcurl's time-out text.
// That covers a unit that stops reading the body as well as one that never answers.

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <mutex>
#include <vector>

#include "common/free_with.h"
#include "platform/http_layer.h"

namespace rlq::platform {
namespace {

constexpr char kClosedText[] = "The request was cancelled";
// For a transfer libcurl ended without an error but with no final status read: libcurl's own
// text for that is "No error", which explains nothing.
constexpr char kNoFinalStatusText[] = "The connection ended before a final status arrived";
constexpr std::uint32_t kFirstFinalStatus = 200;
// How often a waiting transfer looks at its watchdog; a close wakes it at once anyway.
constexpr int kPollMilliseconds = 100;

HttpResult GlobalInit() {
    static const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
    return code == CURLE_OK ? HttpResult::Success() : HttpResult::Failure(curl_easy_strerror(code));
}

using EasyHandle = std::unique_ptr<CURL, FreeWith<curl_easy_cleanup>>;
using MultiHandle = std::unique_ptr<CURLM, FreeWith<curl_multi_cleanup>>;
using HeaderList = std::unique_ptr<curl_slist, FreeWith<curl_slist_free_all>>;
using UrlHandle = std::unique_ptr<CURLU, FreeWith<curl_url_cleanup>>;

// What a root and everything opened from it share: settings and the closed state.
class RootState {
  public:
    RootState(std::string_view userAgent, const HttpTimeouts& timeouts)
        : userAgent(userAgent), timeouts(timeouts) {}

    bool IsClosed() const { return m_closed.load(std::memory_order_acquire); }

    void Close() {
        std::lock_guard lock(m_mutex);
        m_closed.store(true, std::memory_order_release);
        for (CURLM* multi : m_running) {
            curl_multi_wakeup(multi);
        }
    }

    // False when the root was closed before the transfer could start.
    bool Attach(CURLM* multi) {
        std::lock_guard lock(m_mutex);
        if (IsClosed()) {
            return false;
        }
        m_running.push_back(multi);
        return true;
    }

    void Detach(CURLM* multi) {
        std::lock_guard lock(m_mutex);
        m_running.erase(std::remove(m_running.begin(), m_running.end(), multi), m_running.end());
    }

    const std::string userAgent;
    const HttpTimeouts timeouts;

  private:
    std::mutex m_mutex;
    std::atomic<bool> m_closed{false};
    std::vector<CURLM*> m_running;
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

CURLUcode SetUrlPart(CURLU* url, CURLUPart part, std::string_view text) {
    return curl_url_set(url, part, std::string(text).c_str(), 0);
}

// The caller's headers, plus empty entries that keep libcurl from adding a form content type,
// "Expect: 100-continue" or "Accept: */*" of its own.
HeaderList BuildHeaderList(std::string_view headers) {
    curl_slist* list = nullptr;
    bool hasContentType = false;
    while (!headers.empty()) {
        const auto end = headers.find("\r\n");
        const std::string line(headers.substr(0, end));
        headers.remove_prefix(end == std::string_view::npos ? headers.size() : end + 2);
        if (line.empty()) {
            continue;
        }
        hasContentType = hasContentType || StartsWithNoCase(line, "content-type:");
        list = curl_slist_append(list, line.c_str());
    }
    if (!hasContentType) {
        list = curl_slist_append(list, "Content-Type:");
    }
    list = curl_slist_append(list, "Expect:");
    list = curl_slist_append(list, "Accept:");
    return HeaderList(list);
}

class CurlRequest final : public HttpRequest {
  public:
    CurlRequest(std::shared_ptr<RootState> root, UrlHandle url, long version, EasyHandle easy)
        : m_root(std::move(root)),
          m_url(std::move(url)),
          m_version(version),
          m_easy(std::move(easy)) {}

    HttpResult Send(std::string_view headers, std::span<const std::uint8_t> body) override {
        m_status.reset();
        m_connected = false;
        m_stalled = false;
        m_bytesMoved = 0;
        const HeaderList headerList = BuildHeaderList(headers);
        Configure(headerList.get(), body);

        MultiHandle multi(curl_multi_init());
        if (!multi || curl_multi_add_handle(multi.get(), m_easy.get()) != CURLM_OK) {
            return HttpResult::Failure(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
        }
        const CURLcode code = Perform(multi.get());
        curl_multi_remove_handle(multi.get(), m_easy.get());

        // Once a final status line is in, the answer stands, however the transfer ended after
        // it: stopped on purpose at the blank line, or by a unit that closes or resets without
        // headers or blank line, sends a body shorter or longer than announced, or junk.
        if (HasFinalStatus()) {
            return HttpResult::Success();
        }
        m_status.reset();
        if (m_root->IsClosed()) {
            return HttpResult::Failure(kClosedText);
        }
        if (m_stalled) {
            return HttpResult::Failure(curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
        }
        if (code == CURLE_OK) {
            return HttpResult::Failure(kNoFinalStatusText);
        }
        return HttpResult::Failure(m_errorBuffer[0] != '\0' ? m_errorBuffer
                                                            : curl_easy_strerror(code));
    }

    std::optional<std::uint32_t> StatusCode() const override { return m_status; }

  private:
    bool HasFinalStatus() const { return m_status && *m_status >= kFirstFinalStatus; }

    void Configure(curl_slist* headerList, std::span<const std::uint8_t> body) {
        static const char kEmptyBody[] = "";
        CURL* easy = m_easy.get();
        const auto& timeouts = m_root->timeouts;
        m_stallLimit = std::max(timeouts.send, timeouts.receive);
        m_errorBuffer[0] = '\0';
        curl_easy_setopt(easy, CURLOPT_CURLU, m_url.get());
        curl_easy_setopt(easy, CURLOPT_PROXY, "");  // units are addressed directly
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_USERAGENT, m_root->userAgent.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, m_version);
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                         body.empty() ? kEmptyBody : reinterpret_cast<const char*>(body.data()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(timeouts.connect.count()));
        curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &CurlRequest::OnConnected);
        curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlRequest::OnProgress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlRequest::OnHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlRequest::DiscardBody);
    }

    CURLcode Perform(CURLM* multi) {
        if (!m_root->Attach(multi)) {
            return CURLE_ABORTED_BY_CALLBACK;
        }
        int running = 1;
        while (running != 0 && !m_root->IsClosed()) {
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                break;
            }
            if (running != 0 &&
                curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr) != CURLM_OK) {
                break;
            }
        }
        m_root->Detach(multi);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE) {
                return message->data.result;
            }
        }
        return CURLE_ABORTED_BY_CALLBACK;
    }

    // Takes the status from the status line and ends the transfer at the blank line that closes
    // a final (non-1xx) head, like a layer whose send returns once the answer's head is in.
    static size_t OnHeader(char* data, size_t size, size_t count, void* context) {
        auto* self = static_cast<CurlRequest*>(context);
        const std::string_view line(data, size * count);
        if (StartsWithNoCase(line, "HTTP/")) {
            // libcurl has read the status line before passing it on; its code is the one libcurl
            // goes by, however the line is spaced.
            long code = 0;
            curl_easy_getinfo(self->m_easy.get(), CURLINFO_RESPONSE_CODE, &code);
            self->m_status = static_cast<std::uint32_t>(code);
        } else if ((line == "\r\n" || line == "\n") && self->HasFinalStatus()) {
            return 0;
        }
        return size * count;
    }

    static int OnConnected(void* context, char*, char*, int, int) {
        auto* self = static_cast<CurlRequest*>(context);
        self->m_connected = true;
        self->m_lastActivity = Clock::now();
        return CURL_PREREQFUNC_OK;
    }

    // Fails the transfer once nothing has moved for the stall limit, or when the root is closed.
    static int OnProgress(void* context, curl_off_t, curl_off_t received, curl_off_t,
                          curl_off_t sent) {
        auto* self = static_cast<CurlRequest*>(context);
        if (self->m_root->IsClosed()) {
            return 1;
        }
        if (!self->m_connected) {
            return 0;
        }
        const auto now = Clock::now();
        if (received + sent != self->m_bytesMoved) {
            self->m_bytesMoved = received + sent;
            self->m_lastActivity = now;
        } else if (now - self->m_lastActivity >= self->m_stallLimit) {
            self->m_stalled = true;
            return 1;
        }
        return 0;
    }

    static size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

    std::shared_ptr<RootState> m_root;
    UrlHandle m_url;
    long m_version;
    EasyHandle m_easy;
    using Clock = std::chrono::steady_clock;

    std::optional<std::uint32_t> m_status;
    bool m_connected = false;
    bool m_stalled = false;
    curl_off_t m_bytesMoved = 0;
    Clock::time_point m_lastActivity;
    std::chrono::milliseconds m_stallLimit{0};
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
};

class CurlConnection final : public HttpConnection {
  public:
    CurlConnection(std::shared_ptr<RootState> root, UrlHandle origin)
        : m_root(std::move(root)), m_origin(std::move(origin)) {}

    HttpOpened<HttpRequest> OpenRequest(std::string_view verb, std::string_view object,
                                        std::string_view version) override {
        if (m_root->IsClosed()) {
            return {nullptr, HttpResult::Failure(kClosedText)};
        }
        if (verb != "POST") {
            return {nullptr, HttpResult::Failure("Only POST requests are supported")};
        }
        long curlVersion;
        if (version == "HTTP/1.0") {
            curlVersion = CURL_HTTP_VERSION_1_0;
        } else if (version == "HTTP/1.1") {
            curlVersion = CURL_HTTP_VERSION_1_1;
        } else {
            return {nullptr, HttpResult::Failure("Unsupported HTTP version")};
        }
        EasyHandle easy(curl_easy_init());
        UrlHandle url(curl_url_dup(m_origin.get()));
        if (!easy || !url) {
            return {nullptr, HttpResult::Failure(curl_easy_strerror(CURLE_FAILED_INIT))};
        }
        const CURLUcode code = SetUrlPart(url.get(), CURLUPART_PATH, object);
        if (code != CURLUE_OK) {
            return {nullptr, HttpResult::Failure(curl_url_strerror(code))};
        }
        return {std::make_unique<CurlRequest>(m_root, std::move(url), curlVersion, std::move(easy)),
                HttpResult::Success()};
    }

  private:
    std::shared_ptr<RootState> m_root;
    UrlHandle m_origin;  // scheme, host and port; each request adds its path
};

// The server's URL from its parts, which libcurl takes one by one: nothing is joined into a text
// for it to parse again.
std::pair<UrlHandle, CURLUcode> OriginUrl(Ipv4 server, std::uint16_t port) {
    UrlHandle url(curl_url());
    if (!url) {
        return {nullptr, CURLUE_OUT_OF_MEMORY};
    }
    CURLUcode code = SetUrlPart(url.get(), CURLUPART_SCHEME, "http");
    if (code == CURLUE_OK) {
        code = SetUrlPart(url.get(), CURLUPART_HOST, FormatIpv4(server));
    }
    if (code == CURLUE_OK) {
        code = SetUrlPart(url.get(), CURLUPART_PORT, std::to_string(port));
    }
    return {code == CURLUE_OK ? std::move(url) : nullptr, code};
}

class CurlRoot final : public HttpRoot {
  public:
    explicit CurlRoot(std::shared_ptr<RootState> state) : m_state(std::move(state)) {}

    HttpOpened<HttpConnection> Connect(Ipv4 server, std::uint16_t port) override {
        if (m_state->IsClosed()) {
            return {nullptr, HttpResult::Failure(kClosedText)};
        }
        auto [origin, code] = OriginUrl(server, port);
        if (!origin) {
            return {nullptr, HttpResult::Failure(curl_url_strerror(code))};
        }
        return {std::make_unique<CurlConnection>(m_state, std::move(origin)),
                HttpResult::Success()};
    }

    void Close() override { m_state->Close(); }

  private:
    std::shared_ptr<RootState> m_state;
};

class CurlHttpLayer final : public HttpLayer {
  public:
    HttpOpened<HttpRoot> OpenRoot(std::string_view userAgent,
                                  const HttpTimeouts& timeouts) override {
        if (HttpResult init = GlobalInit(); !init.ok) {
            return {nullptr, std::move(init)};
        }
        return {std::make_unique<CurlRoot>(std::make_shared<RootState>(userAgent, timeouts)),
                HttpResult::Success()};
    }
};

}  // namespace

HttpLayer& SystemHttpLayer() {
    static CurlHttpLayer layer;
    return layer;
}

}  // namespace rlq::platform
