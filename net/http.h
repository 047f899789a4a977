#pragma once
// One HTTP/1.0 POST to a unit's web interface. The request runs on a worker thread per attempt
// while the caller watches it; an attempt that outlives the watch is cancelled by closing its
// root and started again, up to four attempts.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "common/waitable_flag.h"
#include "net/net_events.h"
#include "platform/http_layer.h"

namespace rlq {

// The watch on each attempt and the pause between attempts; tests shorten them, the program never
// does.
struct HttpWatchTiming {
    std::chrono::milliseconds watchInterval{200};
    int watchCount = 60;
    std::chrono::milliseconds repeatPause{500};
};

// WithBody sends `*length` bytes of `body` as application/octet-stream, WithoutBody nothing.
enum class HttpMode : std::int32_t { WithBody = 1, WithoutBody = 2 };

enum class HttpError : std::int32_t {
    None = 0,         // a status was read (any status)
    Busy = 1,         // a request is already running on this object
    BadUrl = 2,       // the URL is not a valid http URL
    TimedOut = 3,     // no attempt finished within its watch
    LayerFailed = 5,  // the HTTP layer failed
};

class CHttp {
  public:
    explicit CHttp(platform::HttpLayer& layer,
                   const NetListeners& events = NoListeners<NetObserver>(),
                   HttpWatchTiming timing = {});
    CHttp(const CHttp&) = delete;
    CHttp& operator=(const CHttp&) = delete;

    // status is 0 unless error is None.
    void Request(HttpMode mode, Ipv4 address, const char* path, const std::uint8_t* body,
                 const std::uint32_t* length, std::uint32_t* status, HttpError* error);

    // Empty unless the last request produced a failure text; valid until the next request.
    const char* GetErrorText() const { return m_szError.c_str(); }

  private:
    // Counted in the system code page's bytes, NUL included: the text is kept in UTF-8, which may
    // take more bytes than that.
    static constexpr std::size_t kErrorCapacity = 80;

    void RunAttempts(Ipv4 address, const char* path, std::uint32_t* status, HttpError* error);
    bool StartWorker();
    void RequestThread();
    void SendOnWorker();
    void ReleaseHandles();
    void SetErrorText(std::string_view text);

    platform::HttpLayer& m_layer;
    const NetListeners& m_events;
    const HttpWatchTiming m_timing;
    // Taken atomically on entry, so a second caller is turned away without touching anything.
    std::atomic<bool> m_bRequestInProgress{false};
    WaitableFlag m_bBusy;
    std::unique_ptr<platform::HttpRoot> m_pSession;
    std::unique_ptr<platform::HttpConnection> m_pConnection;
    std::unique_ptr<platform::HttpRequest> m_pFile;
    HttpMode m_nMode = HttpMode::WithBody;
    const std::uint8_t* m_pBody = nullptr;
    const std::uint32_t* m_pdwLength = nullptr;
    HttpError m_nThreadError = HttpError::None;
    Ipv4 m_server;  // the server part of the checked URL
    std::string m_strObject;
    std::uint16_t m_nPort = 0;
    std::string m_szError;
    std::thread m_worker;
};

}  // namespace rlq
