#pragma once
// Why a search found nothing, decided from what the search saw and what the looks at the host
// afterwards told: a pure function, with no I/O of its own.

#include <cstdint>
#include <optional>
#include <vector>

#include "net/net_events.h"
#include "net/reply.h"
#include "platform/search_probes.h"
#include "workflow/sequence_events.h"

namespace rlq {

// What one search saw.
struct SearchSeen {
    std::int32_t kind = 0;
    Ipv4 mainUnit;  // where this program last found the main unit, 0 when it has not
    bool mayChangeAddresses = true;  // whether this program holds the rights for 10.10.1.1
    std::vector<AdapterReport> adapters;
    std::vector<PassRecord> passes;
};

// What the looks at the host told; empty where they could not tell, or did not end in time.
struct ProbeAnswers {
    std::vector<platform::UdpPortHolder> portHolders;  // of the reply port
    std::vector<platform::RouteRow> routes;
    std::vector<Ipv4> arrivals;  // senders of what reached the adapters for the reply port
    std::optional<platform::FirewallState> firewall;
};

SearchDiagnosis Diagnose(const SearchSeen& seen, const ProbeAnswers& probes);

}  // namespace rlq
