#include "workflow/search_witness.h"

#include <algorithm>

#include "common/temp_address.h"
#include "common/unit_network.h"
#include "net/adapter_list.h"
#include "net/reply.h"

namespace rlq {
namespace {

constexpr Ipv4 kLinkLocalNetwork = MakeIpv4(169, 254, 0, 0);
constexpr Ipv4 kLinkLocalMask = PrefixMask(16);

bool IsEthernet(const AdapterReport& adapter) {
    return adapter.type == platform::kIfTypeEthernet;
}

bool HasLink(const AdapterReport& adapter) {
    return IsEthernet(adapter) && IsUsableOperStatus(adapter.operStatus);
}

bool IsLinkLocal(const MaskedAddress& address) {
    return (address.address & kLinkLocalMask) == kLinkLocalNetwork;
}

// A reply that no unit of this product sends, as opposed to a unit that is not the one wanted.
bool IsForeign(ReplyVerdict verdict) {
    return verdict == ReplyVerdict::WrongLength || verdict == ReplyVerdict::NotAReply ||
           verdict == ReplyVerdict::NewerFormat || verdict == ReplyVerdict::UnknownKind;
}

bool SearchesThroughTempAddressFirst(std::int32_t kind) {
    return (kind & (SEARCH_CHILD | SEARCH_SUB)) != 0;
}

}  // namespace

SearchWitness::SearchWitness(platform::SearchProbes& probes, bool mayChangeAddresses)
    : m_probes(probes),
      m_mayChangeAddresses(mayChangeAddresses),
      m_capture(probes.CaptureUdpArrivals(kDiscoveryReplyPort)) {}

void SearchWitness::AdaptersSeen(const std::vector<AdapterReport>& adapters) {
    m_adapters = adapters;
}

void SearchWitness::PassStarted(const DiscoveryPass& pass) {
    m_passRan = true;
    m_passInterface = pass.interfaceIndex;
    if (pass.viaTempAddress) {
        m_tempPassInterfaces.push_back(pass.interfaceIndex);
    }
}

void SearchWitness::PassEnded(const DiscoveryPass& pass, int requestsSent) {
    m_tally[pass.interfaceIndex].sent += requestsSent;
}

void SearchWitness::ReplyReceived(const ReceivedReply& reply) {
    Tally& tally = m_tally[m_passInterface];
    ++tally.replies;
    if (reply.verdict != ReplyVerdict::Accepted) {
        ++tally.rejected;
    }
    if (IsForeign(reply.verdict) && !m_foreign) {
        m_foreign = reply;
    }
}

void SearchWitness::ReplySocketRefused(Ipv4, std::uint32_t) {
    m_socketRefused = true;
}

void SearchWitness::TempAddressRefused(std::uint32_t) {
    m_tempRefused = true;
}

std::string SearchWitness::AdapterName(std::uint32_t interfaceIndex) const {
    for (const AdapterReport& adapter : m_adapters) {
        if (adapter.interfaceIndex == interfaceIndex) {
            return adapter.name;
        }
    }
    return "interface " + std::to_string(interfaceIndex);
}

std::vector<AdapterSearched> SearchWitness::Adapters() const {
    std::vector<AdapterSearched> searched;
    for (const AdapterReport& adapter : m_adapters) {
        if (adapter.type == platform::kIfTypeSoftwareLoopback) {
            continue;
        }
        AdapterSearched& entry = searched.emplace_back();
        entry.name = adapter.name;
        entry.link = HasLink(adapter);
        entry.addresses = adapter.addresses;
        if (const auto tally = m_tally.find(adapter.interfaceIndex); tally != m_tally.end()) {
            entry.sent = tally->second.sent;
            entry.replies = tally->second.replies;
            entry.rejected = tally->second.rejected;
        }
    }
    return searched;
}

// When no adapter address was there to search from, the adapters tell why; an unread adapter
// list tells nothing.
std::optional<NotFoundCause> SearchWitness::NothingSearched() const {
    if (m_passRan || m_socketRefused || m_tempRefused || m_adapters.empty()) {
        return std::nullopt;
    }
    if (std::none_of(m_adapters.begin(), m_adapters.end(), IsEthernet)) {
        return NotFoundCause::NoEthernet;
    }
    if (std::none_of(m_adapters.begin(), m_adapters.end(), HasLink)) {
        return NotFoundCause::NoLink;
    }
    return NotFoundCause::NoAddress;
}

// A route inside 10.0.0.0/8, longer than it, on an interface other than those the temporary
// address was on: traffic to a unit there leaves through that other interface.
std::optional<platform::RouteRow> SearchWitness::ConflictingRoute() {
    if (m_tempPassInterfaces.empty()) {
        return std::nullopt;
    }
    for (const platform::RouteRow& route : m_probes.Ipv4Routes()) {
        const bool inside = (route.destination & kTempMask) == (kTempAddress & kTempMask) &&
                            PrefixLength(route.mask) > PrefixLength(kTempMask);
        if (inside && std::find(m_tempPassInterfaces.begin(), m_tempPassInterfaces.end(),
                                route.interfaceIndex) == m_tempPassInterfaces.end()) {
            return route;
        }
    }
    return std::nullopt;
}

SearchDiagnosis SearchWitness::Diagnose(std::int32_t kind, Ipv4 mainUnit) {
    SearchDiagnosis diagnosis;
    diagnosis.adapters = Adapters();
    const std::vector<Ipv4> arrived = m_capture ? m_capture->TakeSenders() : std::vector<Ipv4>{};
    const bool tempRefused = m_tempRefused && SearchesThroughTempAddressFirst(kind);

    if (m_socketRefused) {
        const auto holders = m_probes.UdpPortHolders(kDiscoveryReplyPort);
        if (!holders.empty()) {
            diagnosis.cause = NotFoundCause::PortInUse;
            const platform::UdpPortHolder& holder = holders.front();
            diagnosis.holder = holder.program;
            diagnosis.holderId = holder.processId;
            return diagnosis;
        }
    }
    if (const auto cause = NothingSearched()) {
        diagnosis.cause = *cause;
    } else if (tempRefused && !m_mayChangeAddresses) {
        diagnosis.cause = NotFoundCause::NoRights;
    } else if (m_foreign) {
        diagnosis.cause = NotFoundCause::ForeignReply;
        diagnosis.device = m_foreign->source;
        diagnosis.reply = *m_foreign;
    } else if (const auto route = ConflictingRoute()) {
        diagnosis.cause = NotFoundCause::RouteConflict;
        diagnosis.route = {route->destination, route->mask};
        diagnosis.interfaceName = AdapterName(route->interfaceIndex);
    } else if (!arrived.empty() &&
               std::all_of(m_tally.begin(), m_tally.end(),
                           [](const auto& entry) { return entry.second.replies == 0; })) {
        diagnosis.cause = NotFoundCause::ReplyBlocked;
        diagnosis.device = arrived.front();
    } else if (tempRefused) {
        diagnosis.cause = NotFoundCause::TempAddressRefused;
        for (const AdapterReport& adapter : m_adapters) {
            for (const MaskedAddress& address : adapter.addresses) {
                if (address.address == kTempAddress) {
                    diagnosis.interfaceName = adapter.name;
                }
            }
        }
    } else if (kind == SEARCH_SUB && mainUnit != 0) {
        diagnosis.cause = NotFoundCause::SubSilent;
        diagnosis.device = mainUnit;
    } else if (std::any_of(m_adapters.begin(), m_adapters.end(), HasLink) &&
               std::all_of(m_adapters.begin(), m_adapters.end(), [](const AdapterReport& a) {
                   return !HasLink(a) ||
                          std::all_of(a.addresses.begin(), a.addresses.end(), IsLinkLocal);
               })) {
        diagnosis.cause = NotFoundCause::NoAddress;
    }
    return diagnosis;
}

}  // namespace rlq
