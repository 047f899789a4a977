#pragma once
// Watches one search and, when it ends without its unit, names the cause from what the search
// saw and from a few looks at the host afterwards. It only watches: no step of the search waits
// for it, and what it opens at the start (the arrival capture) costs the search no time.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "net/net_events.h"
#include "platform/search_probes.h"
#include "workflow/sequence_events.h"

namespace rlq {

class SearchWitness final : public NetObserver, public SequenceObserver {
  public:
    // Opens the capture at once, before any request goes out. `mayChangeAddresses`: whether this
    // program holds the rights for the temporary address.
    SearchWitness(platform::SearchProbes& probes, bool mayChangeAddresses);

    void AdaptersSeen(const std::vector<AdapterReport>& adapters) override;
    void PassStarted(const DiscoveryPass& pass) override;
    void PassEnded(const DiscoveryPass& pass, int requestsSent) override;
    void ReplyReceived(const ReceivedReply& reply) override;
    void ReplySocketRefused(Ipv4 localAddress, std::uint32_t interfaceIndex) override;
    void TempAddressRefused(std::uint32_t interfaceIndex) override;

    // After the search has ended. `mainUnit`: where this program last found the main unit, 0
    // when it has not.
    SearchDiagnosis Diagnose(std::int32_t kind, Ipv4 mainUnit);

  private:
    struct Tally {
        int sent = 0;
        int replies = 0;
        int rejected = 0;
    };
    std::optional<NotFoundCause> NothingSearched() const;
    std::optional<platform::RouteRow> ConflictingRoute();
    std::vector<AdapterSearched> Adapters() const;
    std::string AdapterName(std::uint32_t interfaceIndex) const;

    platform::SearchProbes& m_probes;
    const bool m_mayChangeAddresses;
    std::unique_ptr<platform::ArrivalCapture> m_capture;

    std::vector<AdapterReport> m_adapters;
    std::map<std::uint32_t, Tally> m_tally;  // by interface index
    std::uint32_t m_passInterface = 0;
    bool m_passRan = false;
    bool m_socketRefused = false;
    bool m_tempRefused = false;
    std::vector<std::uint32_t> m_tempPassInterfaces;
    std::optional<ReceivedReply> m_foreign;
};

}  // namespace rlq
