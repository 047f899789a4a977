#pragma once
// Answers the updater's "REPLY" search on UDP 12103 for the main unit and its sub unit. Each
// unit answers only requests that reach its own subnet (directed or limited broadcast, or its
// own address) and that ask for it or for any unit, from its own address to port 12104.

#include <chrono>
#include <mutex>
#include <random>

#include "platform/linux/unique_fd.h"
#include "tools/unit-sim/service.h"
#include "tools/unit-sim/sim_options.h"

namespace rlq::sim {

class DiscoveryResponder final : public Service {
  public:
    explicit DiscoveryResponder(const SimOptions& options)
        : m_units{options.main, options.sub},
          m_dropPercent(options.transfer.dropPercent),
          m_junkCount(options.transfer.junkCount) {}
    ~DiscoveryResponder() override;

    const char* Name() const override { return "discovery responder"; }
    // The version a unit (0 main, 1 sub) reports from now on.
    void SetVersion(int unit, std::uint16_t version);
    bool Start() override;
    void Stop() override;

  private:
    void Serve();
    void Answer(const std::uint8_t* request, std::size_t length, Ipv4 from, std::uint16_t fromPort,
                Ipv4 to);
    void SendReply(const UnitConfig& unit, Ipv4 to, const std::vector<std::uint8_t>& datagram);

    std::mutex m_unitsLock;  // versions change on a power cycle while the responder serves
    UnitConfig m_units[2];
    const int m_dropPercent;
    const int m_junkCount;
    std::chrono::steady_clock::time_point m_started;
    std::minstd_rand m_random{12103};  // the serving thread's
    platform::UniqueFd m_fd;
};

}  // namespace rlq::sim
