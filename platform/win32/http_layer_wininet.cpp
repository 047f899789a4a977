// HTTP layer on WinINet, synchronous. Closing the root handle from another thread makes a call
// blocked on it or on a handle derived from it fail at once; the derived handles go with it, so
// their owners close them only while the root is still open.

#include <windows.h>

#include <wininet.h>

#include <mutex>

#include "platform/http_layer.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

constexpr DWORD_PTR kContext = 1;
constexpr char kClosedText[] = "The request was cancelled";

std::string TrimLineEnds(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// The system's text for a failure: WinINet's own codes are messages of wininet.dll.
std::string FailureText(DWORD code) {
    if (code == ERROR_INTERNET_EXTENDED_ERROR) {
        DWORD detail = 0;
        wchar_t text[512];
        DWORD length = sizeof text / sizeof text[0];
        if (::InternetGetLastResponseInfoW(&detail, text, &length) && length > 0) {
            return TrimLineEnds(win32::Narrow(std::wstring_view(text, length)));
        }
    }
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        ::GetModuleHandleW(L"wininet.dll"), code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text != nullptr) {
        message = TrimLineEnds(win32::Narrow(std::wstring_view(text, length)));
    }
    if (text != nullptr) {
        ::LocalFree(text);
    }
    return message.empty() ? "WinINet error " + std::to_string(code) : message;
}

void SetTimeout(HINTERNET handle, DWORD option, std::chrono::milliseconds value) {
    DWORD milliseconds = static_cast<DWORD>(value.count());
    // A refused option leaves the layer's default; the request's own watch still bounds it.
    ::InternetSetOptionW(handle, option, &milliseconds, sizeof milliseconds);
}

HttpResult LastFailure() {
    return HttpResult::Failure(FailureText(::GetLastError()));
}

// The root handle and whether it has been closed, shared by everything opened from it.
class RootState {
  public:
    RootState(HINTERNET root, const HttpTimeouts& timeouts) : timeouts(timeouts), m_root(root) {}
    ~RootState() { Close(); }
    RootState(const RootState&) = delete;
    RootState& operator=(const RootState&) = delete;

    HINTERNET Root() const { return m_root; }

    bool IsClosed() {
        std::lock_guard lock(m_mutex);
        return m_closed;
    }

    void Close() {
        std::lock_guard lock(m_mutex);
        if (!m_closed) {
            m_closed = true;
            ::InternetCloseHandle(m_root);
        }
    }

    // Closes a derived handle unless the root's close has already taken it along.
    void CloseDerived(HINTERNET handle) {
        std::lock_guard lock(m_mutex);
        if (!m_closed && handle != nullptr) {
            ::InternetCloseHandle(handle);
        }
    }

    const HttpTimeouts timeouts;

  private:
    std::mutex m_mutex;
    HINTERNET m_root;
    bool m_closed = false;
};

class DerivedHandle {
  public:
    DerivedHandle(std::shared_ptr<RootState> root, HINTERNET handle)
        : m_root(std::move(root)), m_handle(handle) {}
    ~DerivedHandle() { m_root->CloseDerived(m_handle); }
    DerivedHandle(const DerivedHandle&) = delete;
    DerivedHandle& operator=(const DerivedHandle&) = delete;

    HINTERNET Get() const { return m_handle; }
    const std::shared_ptr<RootState>& Root() const { return m_root; }

  private:
    std::shared_ptr<RootState> m_root;
    HINTERNET m_handle;
};

class WinInetRequest final : public HttpRequest {
  public:
    // Closing a connection handle closes its requests too: the request keeps its connection.
    WinInetRequest(std::shared_ptr<DerivedHandle> connection, HINTERNET request)
        : m_connection(std::move(connection)), m_request(m_connection->Root(), request) {}

    HttpResult Send(std::string_view headers, std::span<const std::uint8_t> body) override {
        m_status.reset();
        const std::wstring wideHeaders = win32::Widen(headers);
        // Headers and body go out in this one call.
        const BOOL sent =
            ::HttpSendRequestW(m_request.Get(), wideHeaders.empty() ? nullptr : wideHeaders.c_str(),
                               static_cast<DWORD>(wideHeaders.size()),
                               body.empty() ? nullptr : const_cast<std::uint8_t*>(body.data()),
                               static_cast<DWORD>(body.size()));
        if (!sent) {
            const DWORD code = ::GetLastError();
            return m_request.Root()->IsClosed() ? HttpResult::Failure(kClosedText)
                                                : HttpResult::Failure(FailureText(code));
        }
        DWORD status = 0;
        DWORD size = sizeof status;
        if (::HttpQueryInfoW(m_request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                             &status, &size, nullptr)) {
            m_status = status;
        }
        return HttpResult::Success();
    }

    std::optional<std::uint32_t> StatusCode() const override { return m_status; }

  private:
    std::shared_ptr<DerivedHandle> m_connection;
    DerivedHandle m_request;
    std::optional<std::uint32_t> m_status;
};

class WinInetConnection final : public HttpConnection {
  public:
    WinInetConnection(std::shared_ptr<RootState> root, HINTERNET connection)
        : m_connection(std::make_shared<DerivedHandle>(std::move(root), connection)) {}

    HttpOpened<HttpRequest> OpenRequest(std::string_view verb, std::string_view object,
                                        std::string_view version) override {
        if (m_connection->Root()->IsClosed()) {
            return {nullptr, HttpResult::Failure(kClosedText)};
        }
        HINTERNET request =
            ::HttpOpenRequestW(m_connection->Get(), win32::Widen(verb).c_str(),
                               win32::Widen(object).c_str(), win32::Widen(version).c_str(), nullptr,
                               nullptr, INTERNET_FLAG_EXISTING_CONNECT, kContext);
        if (request == nullptr) {
            return {nullptr, LastFailure()};
        }
        // Wine takes the stall time-outs from the request handle only, not from the root.
        const HttpTimeouts& timeouts = m_connection->Root()->timeouts;
        SetTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive);
        SetTimeout(request, INTERNET_OPTION_SEND_TIMEOUT, timeouts.send);
        return {std::make_unique<WinInetRequest>(m_connection, request), HttpResult::Success()};
    }

  private:
    std::shared_ptr<DerivedHandle> m_connection;
};

class WinInetRoot final : public HttpRoot {
  public:
    explicit WinInetRoot(std::shared_ptr<RootState> state) : m_state(std::move(state)) {}
    ~WinInetRoot() override { m_state->Close(); }

    HttpOpened<HttpConnection> Connect(std::string_view server, std::uint16_t port) override {
        if (m_state->IsClosed()) {
            return {nullptr, HttpResult::Failure(kClosedText)};
        }
        HINTERNET connection =
            ::InternetConnectW(m_state->Root(), win32::Widen(server).c_str(), port, nullptr,
                               nullptr, INTERNET_SERVICE_HTTP, 0, kContext);
        if (connection == nullptr) {
            return {nullptr, LastFailure()};
        }
        return {std::make_unique<WinInetConnection>(m_state, connection), HttpResult::Success()};
    }

    void Close() override { m_state->Close(); }

  private:
    std::shared_ptr<RootState> m_state;
};

class WinInetHttpLayer final : public HttpLayer {
  public:
    HttpOpened<HttpRoot> OpenRoot(std::string_view userAgent,
                                  const HttpTimeouts& timeouts) override {
        HINTERNET root = ::InternetOpenW(win32::Widen(userAgent).c_str(),
                                         INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (root == nullptr) {
            return {nullptr, LastFailure()};
        }
        SetTimeout(root, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect);
        SetTimeout(root, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive);
        SetTimeout(root, INTERNET_OPTION_SEND_TIMEOUT, timeouts.send);
        return {std::make_unique<WinInetRoot>(std::make_shared<RootState>(root, timeouts)),
                HttpResult::Success()};
    }
};

}  // namespace

HttpLayer& SystemHttpLayer() {
    static WinInetHttpLayer layer;
    return layer;
}

}  // namespace rlq::platform
