// HTTP layer on WinINet, synchronous. Another thread cancels a blocked call by closing the
// request, then the connection, then the root: closing the request is what ends a blocked send at
// once on Windows, where closing the root alone leaves it to WinINet's own time-out. Wine ends it
// only at that time-out, so the send waits for the call or the close, whichever comes first.

#include <windows.h>

#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <iterator>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/http_layer.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

constexpr DWORD_PTR kContext = 1;
constexpr wchar_t kMessageModule[] = L"wininet.dll";

std::string TrimLineEnds(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// Message `code` of wininet.dll or of the system, in the user's language; empty when neither has
// it. `inserts` fill its %1, %2... when given.
std::string MessageText(DWORD code, const DWORD_PTR* inserts = nullptr) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
            (inserts != nullptr ? FORMAT_MESSAGE_ARGUMENT_ARRAY : FORMAT_MESSAGE_IGNORE_INSERTS),
        ::GetModuleHandleW(kMessageModule), code, 0, reinterpret_cast<wchar_t*>(&text), 0,
        reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(inserts)));
    std::string message;
    if (length > 0 && text != nullptr) {
        message = TrimLineEnds(win32::Narrow(std::wstring_view(text, length)));
    }
    if (text != nullptr) {
        ::LocalFree(text);
    }
    return message;
}

// The platform's text for a failure: WinINet's own codes are messages of wininet.dll, the others
// the system's. A code without a message gets the system's text saying so.
std::string FailureText(DWORD code) {
    if (code == ERROR_INTERNET_EXTENDED_ERROR) {
        DWORD detail = 0;
        wchar_t text[512];
        DWORD length = sizeof text / sizeof text[0];
        if (::InternetGetLastResponseInfoW(&detail, text, &length) && length > 0) {
            return TrimLineEnds(win32::Narrow(std::wstring_view(text, length)));
        }
    }
    if (std::string message = MessageText(code); !message.empty()) {
        return message;
    }
    wchar_t number[16];
    std::swprintf(number, std::size(number), L"%lX", static_cast<unsigned long>(code));
    const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(number),
                                 reinterpret_cast<DWORD_PTR>(kMessageModule)};
    std::string missing = MessageText(ERROR_MR_MID_NOT_FOUND, inserts);
    return missing.empty() ? std::to_string(code) : missing;
}

HttpResult Cancelled() {
    return HttpResult::Failure(FailureText(ERROR_INTERNET_OPERATION_CANCELLED));
}

HttpResult LastFailure() {
    return HttpResult::Failure(FailureText(::GetLastError()));
}

void SetTimeout(HINTERNET handle, DWORD option, std::chrono::milliseconds value) {
    DWORD milliseconds = static_cast<DWORD>(value.count());
    // A refused option leaves the layer's default; the request's own watch still bounds it.
    ::InternetSetOptionW(handle, option, &milliseconds, sizeof milliseconds);
}

// One HttpSendRequestW, shared by the send that waits for it and the thread that makes the call,
// which may outlive the send: it keeps its own copies of what goes out.
struct SendCall {
    std::wstring headers;
    std::vector<std::uint8_t> body;
    // Under the root's lock.
    bool finished = false;
    BOOL sent = FALSE;
    DWORD error = ERROR_SUCCESS;
};

// The sends still inside WinINet, whichever root they came from. Windows ends a send when its
// handles close; Wine lets it run on to its own time-out. A new root waits for them, bounded by
// the send time-out, so that a request given up never shares the wire with the next attempt.
class SendsInFlight {
  public:
    void Started() {
        std::lock_guard lock(m_mutex);
        ++m_count;
    }
    void Ended() {
        std::lock_guard lock(m_mutex);
        --m_count;
        m_ended.notify_all();
    }
    void WaitNone(std::chrono::milliseconds bound) {
        std::unique_lock lock(m_mutex);
        m_ended.wait_for(lock, bound, [this] { return m_count == 0; });
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    int m_count = 0;
};

SendsInFlight& InFlight() {
    static SendsInFlight sends;
    return sends;
}

// The root handle and the handles opened from it, shared by everything opened from it. Each
// handle is opened and closed under the lock and closed exactly once: by its owner, or by Close
// from another thread, newest first and the root last. Opening, configuring and querying a handle
// do no network work, so the lock is never held across a wait; only the send runs outside it, on
// a thread of its own, and Close ends the wait for it.
class RootState {
  public:
    RootState(HINTERNET root, const HttpTimeouts& timeouts) : timeouts(timeouts), m_root(root) {}
    ~RootState() { Close(); }
    RootState(const RootState&) = delete;
    RootState& operator=(const RootState&) = delete;

    bool IsClosed() {
        std::lock_guard lock(m_mutex);
        return m_closed;
    }

    HINTERNET Root() const { return m_root; }

    // Runs `open()` unless the root is closed and keeps the handle it returns, so that Close takes
    // it along. Null with the reason when closed or when opening failed.
    template <typename Open>
    HINTERNET OpenDerived(Open open, HttpResult& failure) {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            failure = Cancelled();
            return nullptr;
        }
        HINTERNET handle = open();
        if (handle == nullptr) {
            failure = LastFailure();
            return nullptr;
        }
        m_derived.push_back(handle);
        return handle;
    }

    // Runs `use()` unless the root is closed, so that Close waits for it.
    template <typename Use>
    void WhileOpen(Use use) {
        std::lock_guard lock(m_mutex);
        if (!m_closed) {
            use();
        }
    }

    // Starts `call` on `request` on a thread of its own unless the root is closed; false when it
    // is not started.
    bool StartCall(const std::shared_ptr<RootState>& self, HINTERNET request,
                   const std::shared_ptr<SendCall>& call) {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        InFlight().Started();
        try {
            std::thread([self, request, call] {
                {
                    // A close before the call leaves the handle to nothing more.
                    std::lock_guard starting(self->m_mutex);
                    if (self->m_closed) {
                        call->error = ERROR_INTERNET_OPERATION_CANCELLED;
                        call->finished = true;
                        self->m_changed.notify_all();
                        InFlight().Ended();
                        return;
                    }
                }
                const BOOL sent = ::HttpSendRequestW(
                    request, call->headers.empty() ? nullptr : call->headers.c_str(),
                    static_cast<DWORD>(call->headers.size()),
                    call->body.empty() ? nullptr : call->body.data(),
                    static_cast<DWORD>(call->body.size()));
                const DWORD error = sent ? ERROR_SUCCESS : ::GetLastError();
                std::lock_guard finishing(self->m_mutex);
                call->sent = sent;
                call->error = error;
                call->finished = true;
                self->m_changed.notify_all();
                InFlight().Ended();
            }).detach();
        } catch (const std::system_error&) {
            InFlight().Ended();
            return false;
        }
        return true;
    }

    // Waits until `call` has finished or the root is closed; true when it has finished.
    bool WaitForCall(const SendCall& call) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return call.finished || m_closed; });
        return call.finished;
    }

    // Closes a handle from OpenDerived for its owner unless Close already has.
    void CloseDerived(HINTERNET handle) {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return;
        }
        std::erase(m_derived, handle);
        ::InternetCloseHandle(handle);
    }

    void Close() {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return;
        }
        m_closed = true;
        for (auto handle = m_derived.rbegin(); handle != m_derived.rend(); ++handle) {
            ::InternetCloseHandle(*handle);
        }
        m_derived.clear();
        ::InternetCloseHandle(m_root);
        m_changed.notify_all();
    }

    const HttpTimeouts timeouts;

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;  // a call finished, or the root closed
    const HINTERNET m_root;
    std::vector<HINTERNET> m_derived;  // in the order opened: the connection, then the request
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
    // The request keeps its connection, so the connection is closed after it.
    WinInetRequest(std::shared_ptr<DerivedHandle> connection, HINTERNET request)
        : m_connection(std::move(connection)), m_request(m_connection->Root(), request) {}

    HttpResult Send(std::string_view headers, std::span<const std::uint8_t> body) override {
        m_status.reset();
        RootState& root = *m_request.Root();
        if (root.IsClosed()) {
            return Cancelled();
        }
        // Headers and body go out in this one call, the one that waits for the unit. A Close from
        // another thread ends the wait at once; the call ends on its own.
        auto call = std::make_shared<SendCall>();
        call->headers = win32::Widen(headers);
        call->body.assign(body.begin(), body.end());
        if (!root.StartCall(m_request.Root(), m_request.Get(), call)) {
            return root.IsClosed() ? Cancelled()
                                   : HttpResult::Failure(FailureText(ERROR_OUTOFMEMORY));
        }
        if (!root.WaitForCall(*call)) {
            return Cancelled();
        }
        if (!call->sent) {
            return root.IsClosed() ? Cancelled() : HttpResult::Failure(FailureText(call->error));
        }
        root.WhileOpen([this] {
            DWORD status = 0;
            DWORD size = sizeof status;
            if (::HttpQueryInfoW(m_request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                 &status, &size, nullptr)) {
                m_status = status;
            }
        });
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
        RootState& root = *m_connection->Root();
        HttpResult failure;
        HINTERNET request = root.OpenDerived(
            [&] {
                HINTERNET opened =
                    ::HttpOpenRequestW(m_connection->Get(), win32::Widen(verb).c_str(),
                                       win32::Widen(object).c_str(), win32::Widen(version).c_str(),
                                       nullptr, nullptr, INTERNET_FLAG_EXISTING_CONNECT, kContext);
                if (opened != nullptr) {
                    // Wine takes the stall time-outs from the request handle only, not the root.
                    SetTimeout(opened, INTERNET_OPTION_RECEIVE_TIMEOUT, root.timeouts.receive);
                    SetTimeout(opened, INTERNET_OPTION_SEND_TIMEOUT, root.timeouts.send);
                }
                return opened;
            },
            failure);
        if (request == nullptr) {
            return {nullptr, failure};
        }
        return {std::make_unique<WinInetRequest>(m_connection, request), HttpResult::Success()};
    }

  private:
    std::shared_ptr<DerivedHandle> m_connection;
};

class WinInetRoot final : public HttpRoot {
  public:
    explicit WinInetRoot(std::shared_ptr<RootState> state) : m_state(std::move(state)) {}
    ~WinInetRoot() override { m_state->Close(); }

    HttpOpened<HttpConnection> Connect(Ipv4 server, std::uint16_t port) override {
        HttpResult failure;
        // For HTTP this only records the server: the connection is made by the send.
        HINTERNET connection = m_state->OpenDerived(
            [&] {
                return ::InternetConnectW(m_state->Root(), win32::Widen(FormatIpv4(server)).c_str(),
                                          port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0,
                                          kContext);
            },
            failure);
        if (connection == nullptr) {
            return {nullptr, failure};
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
        InFlight().WaitNone(timeouts.send);
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

    std::size_t SystemCodePageBytes(std::string_view utf8Character) const override {
        return win32::SystemCodePageLength(utf8Character);
    }
};

}  // namespace

HttpLayer& SystemHttpLayer() {
    static WinInetHttpLayer layer;
    return layer;
}

}  // namespace rlq::platform
