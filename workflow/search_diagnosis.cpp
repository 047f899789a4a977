#include "workflow/search_diagnosis.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "common/temp_address.h"
#include "net/adapter_list.h"
#include "workflow/firewall_finding.h"

namespace rlq {
namespace {

constexpr Ipv4 kLinkLocalNetwork = MakeIpv4(169, 254, 0, 0);
constexpr Ipv4 kLinkLocalMask = PrefixMask(16);

bool IsEthernet(const AdapterReport& adapter) {
    return adapter.type == platform::kIfTypeEthernet;
}

bool HasLink(const AdapterReport& adapter) {
    return adapter.usable;
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

bool Ran(const PassRecord& record) {
    return !record.tempAddressRefused && !record.socketRefused;
}

bool Any(const std::vector<PassRecord>& passes, bool PassRecord::*field) {
    return std::any_of(passes.begin(), passes.end(),
                       [field](const PassRecord& record) { return record.*field; });
}

std::string AdapterName(const SearchSeen& seen, std::uint32_t interfaceIndex) {
    for (const AdapterReport& adapter : seen.adapters) {
        if (adapter.interfaceIndex == interfaceIndex) {
            return adapter.name;
        }
    }
    return "interface " + std::to_string(interfaceIndex);
}

// Each adapter with the counts of its own passes; the loopback is no adapter to search.
std::vector<AdapterSearched> Adapters(const SearchSeen& seen) {
    std::vector<AdapterSearched> searched;
    for (const AdapterReport& adapter : seen.adapters) {
        if (adapter.type == platform::kIfTypeSoftwareLoopback) {
            continue;
        }
        AdapterSearched& entry = searched.emplace_back();
        entry.name = adapter.name;
        entry.link = HasLink(adapter);
        entry.addresses = adapter.addresses;
        for (const PassRecord& record : seen.passes) {
            if (record.pass.interfaceIndex != adapter.interfaceIndex) {
                continue;
            }
            entry.sent += record.sent;
            entry.replies += record.received;
            entry.rejected += record.rejected;
        }
    }
    return searched;
}

// When no adapter address was there to search from, the adapters tell why; an unread adapter
// list tells nothing.
std::optional<NotFoundCause> NothingSearched(const SearchSeen& seen) {
    if (!seen.passes.empty() || seen.adapters.empty()) {
        return std::nullopt;
    }
    if (std::none_of(seen.adapters.begin(), seen.adapters.end(), IsEthernet)) {
        return NotFoundCause::NoEthernet;
    }
    if (std::none_of(seen.adapters.begin(), seen.adapters.end(), HasLink)) {
        return NotFoundCause::NoLink;
    }
    return NotFoundCause::NoAddress;
}

// A route inside 10.0.0.0/8, longer than it, on an interface other than those the temporary
// address was on: traffic to a unit there leaves through that other interface.
std::optional<platform::RouteRow> ConflictingRoute(const SearchSeen& seen,
                                                   const ProbeAnswers& probes) {
    std::vector<std::uint32_t> tempInterfaces;
    for (const PassRecord& record : seen.passes) {
        if (Ran(record) && record.pass.viaTempAddress) {
            tempInterfaces.push_back(record.pass.interfaceIndex);
        }
    }
    if (tempInterfaces.empty()) {
        return std::nullopt;
    }
    for (const platform::RouteRow& route : probes.routes) {
        const bool inside = (route.destination & kTempMask) == (kTempAddress & kTempMask) &&
                            PrefixLength(route.mask) > PrefixLength(kTempMask);
        if (inside && std::find(tempInterfaces.begin(), tempInterfaces.end(),
                                route.interfaceIndex) == tempInterfaces.end()) {
            return route;
        }
    }
    return std::nullopt;
}

// Passes ran, and the system sent none of their requests.
std::optional<platform::SystemError> AllSendsRefused(const std::vector<PassRecord>& passes) {
    std::optional<platform::SystemError> first;
    for (const PassRecord& record : passes) {
        if (record.sent > 0) {
            return std::nullopt;
        }
        if (record.refused.count > 0 && !first) {
            first = record.refused.first;
        }
    }
    return first;
}

// For a kind searched through the temporary address: no pass went through it, and one ran from
// an adapter whose own subnet holds it, which is why it was never added.
std::optional<std::pair<std::string, MaskedAddress>> TempAddressWithheld(const SearchSeen& seen) {
    if (!SearchesThroughTempAddressFirst(seen.kind) ||
        std::any_of(seen.passes.begin(), seen.passes.end(),
                    [](const PassRecord& r) { return r.pass.viaTempAddress; })) {
        return std::nullopt;
    }
    for (const PassRecord& record : seen.passes) {
        for (const AdapterReport& adapter : seen.adapters) {
            if (adapter.interfaceIndex != record.pass.interfaceIndex) {
                continue;
            }
            for (const MaskedAddress& own : adapter.addresses) {
                if (own.address == record.pass.localAddress && WithholdsTempAddress(own)) {
                    return std::pair{adapter.name, own};
                }
            }
        }
    }
    return std::nullopt;
}

std::optional<ReceivedReply> FirstForeign(const std::vector<PassRecord>& passes) {
    for (const PassRecord& record : passes) {
        for (const ReceivedReply& reply : record.datagrams) {
            if (IsForeign(reply.verdict)) {
                return reply;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

SearchDiagnosis Diagnose(const SearchSeen& seen, const ProbeAnswers& probes) {
    SearchDiagnosis diagnosis;
    diagnosis.adapters = Adapters(seen);
    const bool tempRefused = Any(seen.passes, &PassRecord::tempAddressRefused) &&
                             SearchesThroughTempAddressFirst(seen.kind);
    const bool nothingReceived = std::all_of(seen.passes.begin(), seen.passes.end(),
                                             [](const PassRecord& r) { return r.received == 0; });
    // Only for passes that ran and got nothing back: a reply taken shows the way open.
    const bool repliesAwaited =
        nothingReceived && std::any_of(seen.passes.begin(), seen.passes.end(), Ran);
    const FirewallFinding firewall =
        repliesAwaited && probes.firewall ? FindInFirewall(*probes.firewall) : FirewallFinding{};

    if (Any(seen.passes, &PassRecord::socketRefused) && !probes.portHolders.empty()) {
        diagnosis.cause = NotFoundCause::PortInUse;
        diagnosis.holder = probes.portHolders.front().program;
        diagnosis.holderId = probes.portHolders.front().processId;
        return diagnosis;
    }
    if (const auto cause = NothingSearched(seen)) {
        diagnosis.cause = *cause;
    } else if (const auto refusal = AllSendsRefused(seen.passes)) {
        diagnosis.cause = NotFoundCause::SendRefused;
        diagnosis.sendError = *refusal;
    } else if (tempRefused && !seen.mayChangeAddresses) {
        diagnosis.cause = NotFoundCause::NoRights;
    } else if (const auto withheld = TempAddressWithheld(seen)) {
        diagnosis.cause = NotFoundCause::TempAddressInSubnet;
        diagnosis.interfaceName = withheld->first;
        diagnosis.route = withheld->second;
    } else if (const auto foreign = FirstForeign(seen.passes)) {
        diagnosis.cause = NotFoundCause::ForeignReply;
        diagnosis.device = foreign->source;
        diagnosis.reply = *foreign;
    } else if (const auto route = ConflictingRoute(seen, probes)) {
        diagnosis.cause = NotFoundCause::RouteConflict;
        diagnosis.route = {route->destination, route->mask};
        diagnosis.interfaceName = AdapterName(seen, route->interfaceIndex);
    } else if (!probes.arrivals.empty() && nothingReceived) {
        diagnosis.cause = NotFoundCause::ReplyBlocked;
        diagnosis.device = probes.arrivals.front();
    } else if (tempRefused) {
        diagnosis.cause = NotFoundCause::TempAddressRefused;
        for (const AdapterReport& adapter : seen.adapters) {
            for (const MaskedAddress& address : adapter.addresses) {
                if (address.address == kTempAddress) {
                    diagnosis.interfaceName = adapter.name;
                }
            }
        }
    } else if (seen.kind == SEARCH_SUB && seen.mainUnit != Ipv4{}) {
        diagnosis.cause = NotFoundCause::SubSilent;
        diagnosis.device = seen.mainUnit;
    } else if (std::any_of(seen.adapters.begin(), seen.adapters.end(), HasLink) &&
               std::all_of(seen.adapters.begin(), seen.adapters.end(), [](const AdapterReport& a) {
                   return !HasLink(a) ||
                          std::all_of(a.addresses.begin(), a.addresses.end(), IsLinkLocal);
               })) {
        diagnosis.cause = NotFoundCause::NoAddress;
    } else if (firewall.kind != FirewallFindingKind::None) {
        // Settings, not what was seen: after every cause the search itself showed. Another
        // maker's firewall is a hint beside no-reply, never a cause of its own.
        diagnosis.firewall = firewall;
        if (firewall.kind != FirewallFindingKind::OtherFirewall) {
            diagnosis.cause = NotFoundCause::ReplyBlocked;
        }
    }
    return diagnosis;
}

}  // namespace rlq
