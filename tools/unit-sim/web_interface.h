#pragma once
// The simulated unit's web interface: an HTTP/1.0 server that takes the main unit's chunked
// upload on /update and the sub unit's reset on /update_reset, with terse answering styles and
// faults for the client's failure paths. Every request is recorded for tests.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ipv4.h"
#include "common/unit_network.h"
#include "platform/linux/unique_fd.h"
#include "tools/unit-sim/service.h"
#include "tools/unit-sim/sim_http_request.h"
#include "tools/unit-sim/sim_update_chunks.h"
#include "tools/unit-sim/web_style.h"

namespace rlq::sim {

struct ChunkRefusal {
    std::uint16_t chunk;
    std::uint32_t status;
};

struct WebInterfaceConfig {
    Ipv4 address = MakeIpv4(127, 0, 0, 1);
    std::uint16_t port = kHttpPort;
    std::size_t payloadSize = kMainPayloadSize;
    std::uint32_t chunkStatus = 200;     // answer to an accepted chunk
    std::uint32_t badChunkStatus = 400;  // malformed, out of sequence or wrong check value
    std::optional<ChunkRefusal> refusal{};
    std::uint32_t resetStatus = 204;
    WebFault fault = WebFault::None;
    std::size_t faultFromRequest = 0;  // requests before this index are served normally
    // Answers take these styles in turn, request by request; none means every answer in full.
    std::vector<WebStyle> styles{};
    // Runs on the server thread after a reset answer has gone out (arms the loader).
    std::function<void()> onReset{};
    // One line per answered request, on the server thread.
    std::function<void(std::string_view)> log{};
};

struct WebRequestRecord {
    std::string method;
    std::string path;
    std::string version;
    std::optional<std::string> userAgent;
    std::optional<std::string> contentType;
    std::optional<std::string> expect;
    std::size_t bodyLength = 0;
    std::uint32_t status = 0;  // 0 when no status was answered
};

class WebInterface final : public Service {
  public:
    explicit WebInterface(WebInterfaceConfig config);
    ~WebInterface() override;
    WebInterface(const WebInterface&) = delete;
    WebInterface& operator=(const WebInterface&) = delete;

    const char* Name() const override { return "web interface"; }
    // False (with the reason on stderr) when the address and port cannot be bound.
    bool Start() override;
    void Stop() override;

    std::vector<WebRequestRecord> Requests() const;
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds bound);
    std::size_t AcceptedChunks() const;
    bool UpdateComplete() const;
    std::vector<std::uint8_t> Payload() const;
    int ResetCount() const;

  private:
    void Serve();
    void HandleConnection(platform::UniqueFd connection);
    std::optional<SimHttpRequest> ReadRequest(int fd);
    std::uint32_t StatusFor(const SimHttpRequest& request);

    const WebInterfaceConfig m_config;
    platform::UniqueFd m_listener;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<WebRequestRecord> m_requests;
    UpdateReassembler m_chunks;
    int m_resets = 0;
    std::vector<platform::UniqueFd> m_held;  // connections left unanswered
};

}  // namespace rlq::sim
