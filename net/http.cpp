#include "net/http.h"

#include <cstdio>
#include <span>
#include <system_error>

#include "common/text_cut.h"
#include "net/http_url.h"
#include "resources/message_catalogue.h"

namespace rlq {
namespace {

constexpr char kUrlFormat[] = "http://%ld.%ld.%ld.%ld/%s";
constexpr char kUserAgent[] = "RLQUpdater";
constexpr auto kLayerTimeout = std::chrono::milliseconds(12000);
constexpr char kVerb[] = "POST";
constexpr char kHttpVersion[] = "HTTP/1.0";
constexpr char kContentTypeHeader[] = "Content-Type: application/octet-stream";
constexpr int kAttempts = 4;
constexpr char kNoThreadText[] = "The request thread could not be started";

std::string BuildUrl(Ipv4 address, const char* path) {
    const auto octet = [address](int shift) {
        return static_cast<long>((address.HostOrder() >> shift) & 0xFF);
    };
    const int length =
        std::snprintf(nullptr, 0, kUrlFormat, octet(24), octet(16), octet(8), octet(0), path);
    std::string url(static_cast<std::size_t>(length), '\0');
    std::snprintf(url.data(), url.size() + 1, kUrlFormat, octet(24), octet(16), octet(8), octet(0),
                  path);
    return url;
}

}  // namespace

CHttp::CHttp(platform::HttpLayer& layer, const NetListeners& events, HttpWatchTiming timing)
    : m_layer(layer), m_events(events), m_timing(timing) {}

void CHttp::Request(HttpMode mode, Ipv4 address, const char* path, const std::uint8_t* body,
                    const std::uint32_t* length, std::uint32_t* status, HttpError* error) {
    *status = 0;
    *error = HttpError::None;
    if (m_bRequestInProgress.exchange(true, std::memory_order_acq_rel)) {
        *error = HttpError::Busy;
        return;
    }
    SetErrorText({});
    m_nMode = mode;
    m_pBody = body;
    m_pdwLength = length;
    const auto started = std::chrono::steady_clock::now();
    RunAttempts(address, path, status, error);
    ReleaseHandles();
    m_events.Tell(&NetObserver::HttpRequestEnded, address,
                  std::string_view(path != nullptr ? path : ""), *status, m_szError,
                  std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - started));
    m_bRequestInProgress.store(false, std::memory_order_release);
}

void CHttp::RunAttempts(Ipv4 address, const char* path, std::uint32_t* status, HttpError* error) {
    const auto parts = path != nullptr ? ParseHttpUrl(BuildUrl(address, path)) : std::nullopt;
    const std::optional<Ipv4> server = parts ? ParseIpv4(parts->server) : std::nullopt;
    if (!server) {
        *error = HttpError::BadUrl;
        SetErrorText(LoadMessage(msg::kHttpUrlRefused));
        return;
    }
    m_server = *server;
    m_strObject = parts->object;
    m_nPort = parts->port;

    for (int attempt = 0;;) {
        auto root = m_layer.OpenRoot(kUserAgent, {kLayerTimeout, kLayerTimeout, kLayerTimeout});
        if (!root.handle) {
            *error = HttpError::LayerFailed;
            SetErrorText(root.result.message);
            return;
        }
        m_pSession = std::move(root.handle);
        // A text left by a cancelled attempt must not spoil an attempt that completes.
        SetErrorText({});
        if (!StartWorker()) {
            *error = HttpError::LayerFailed;
            SetErrorText(kNoThreadText);
            return;
        }
        if (m_bBusy.WaitClear(m_timing.watchInterval * m_timing.watchCount)) {
            m_worker.join();
            break;
        }
        // Closing the root makes the worker's blocked call fail; its handles are released only
        // after it has ended.
        m_pSession->Close();
        m_bBusy.WaitClear();
        m_worker.join();
        ReleaseHandles();
        if (++attempt == kAttempts) {
            *error = HttpError::TimedOut;
            return;
        }
        std::this_thread::sleep_for(m_timing.repeatPause);
    }

    if (m_nThreadError != HttpError::None) {
        *error = m_nThreadError;
        return;
    }
    *status = m_pFile ? m_pFile->StatusCode().value_or(0) : 0;
}

bool CHttp::StartWorker() {
    m_nThreadError = HttpError::None;
    m_bBusy.Set();
    try {
        m_worker = std::thread(&CHttp::RequestThread, this);
    } catch (const std::system_error&) {
        m_bBusy.Clear();
        return false;
    }
    return true;
}

void CHttp::RequestThread() {
    m_nThreadError = HttpError::None;
    SendOnWorker();
    m_bBusy.Clear();
}

void CHttp::SendOnWorker() {
    const auto fail = [this](const platform::HttpResult& result) {
        m_nThreadError = HttpError::LayerFailed;
        SetErrorText(result.message);
    };
    auto connection = m_pSession->Connect(m_server, m_nPort);
    if (!connection.handle) {
        return fail(connection.result);
    }
    m_pConnection = std::move(connection.handle);
    auto request = m_pConnection->OpenRequest(kVerb, m_strObject, kHttpVersion);
    if (!request.handle) {
        return fail(request.result);
    }
    m_pFile = std::move(request.handle);
    platform::HttpResult sent;
    if (m_nMode == HttpMode::WithBody) {
        const std::size_t size = m_pBody != nullptr && m_pdwLength != nullptr ? *m_pdwLength : 0;
        sent = m_pFile->Send(kContentTypeHeader, std::span<const std::uint8_t>(m_pBody, size));
    } else {
        sent = m_pFile->Send({}, {});
    }
    if (!sent.ok) {
        fail(sent);
    }
}

void CHttp::ReleaseHandles() {
    m_pFile.reset();
    m_pConnection.reset();
    m_pSession.reset();
}

// Cut to the capacity as the system code page counts it, at a character boundary, so a cut text is
// still whole characters.
void CHttp::SetErrorText(std::string_view text) {
    m_szError = CutToCapacity(text, kErrorCapacity - 1, [this](std::string_view character) {
        return m_layer.SystemCodePageBytes(character);
    });
}

}  // namespace rlq
