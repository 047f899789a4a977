#include "workflow/cause_texts.h"

#include "common/temp_address.h"
#include "common/unit_network.h"
#include "resources/message_catalogue.h"

namespace rlq {
namespace {

std::string Text(int id) {
    return std::string(LoadMessage(id));
}

std::string NoReplySeen(const std::vector<AdapterSearched>& adapters) {
    std::string names;
    int count = 0;
    for (const AdapterSearched& adapter : adapters) {
        if (adapter.sent > 0) {
            names += (count++ == 0 ? "" : ", ") + adapter.name;
        }
    }
    if (count == 0) {
        return Text(msg::kCauseNothingSent);
    }
    return FillMessage(msg::kCauseNoReplySeen, {std::to_string(count), names});
}

// The firewall's settings point at what to change; without them, what reached the adapter.
CauseTexts ReplyBlockedTexts(const SearchDiagnosis& d, const std::string& replyPort) {
    switch (d.firewall.kind) {
        case FirewallFindingKind::BlockingRule:
            return {FillMessage(msg::kCauseFirewallRuleSeen, {d.firewall.name}),
                    FillMessage(msg::kCauseFirewallRuleHint, {d.firewall.name})};
        case FirewallFindingKind::BlockAllInbound:
            return {Text(msg::kCauseBlockAllInboundSeen), Text(msg::kCauseBlockAllInboundHint)};
        case FirewallFindingKind::UnicastRepliesOff:
            return {Text(msg::kCauseUnicastRepliesOffSeen),
                    FillMessage(msg::kCauseFirewallAllowHint, {replyPort})};
        case FirewallFindingKind::None:
        case FirewallFindingKind::OtherFirewall:
            break;
    }
    return {FillMessage(msg::kCauseReplyBlockedSeen, {FormatIpv4(d.device)}),
            FillMessage(msg::kCauseReplyBlockedHint, {replyPort})};
}

}  // namespace

CauseTexts TextsForCause(const SearchDiagnosis& d) {
    const std::string device = FormatIpv4(d.device);
    const std::string replyPort = std::to_string(kDiscoveryReplyPort);
    switch (d.cause) {
        case NotFoundCause::NoReply:
            break;
        case NotFoundCause::NoLink:
            return {Text(msg::kCauseNoLinkSeen), Text(msg::kCauseNoLinkHint)};
        case NotFoundCause::NoEthernet:
            return {Text(msg::kCauseNoEthernetSeen), Text(msg::kCauseNoEthernetHint)};
        case NotFoundCause::NoAddress:
            return {Text(msg::kCauseNoAddressSeen), Text(msg::kCauseNoAddressHint)};
        case NotFoundCause::ReplyBlocked:
            return ReplyBlockedTexts(d, replyPort);
        case NotFoundCause::PortInUse: {
            const std::string holder = DiagnosisDetail(d);  // empty where the system tells nothing
            return {holder.empty() ? FillMessage(msg::kCausePortInUseSeen, {replyPort})
                                   : FillMessage(msg::kCausePortHeldBySeen, {replyPort, holder}),
                    Text(msg::kCausePortInUseHint)};
        }
        case NotFoundCause::ForeignReply:
            return {FillMessage(msg::kCauseForeignReplySeen, {device, ReplyFault(d.reply)}),
                    Text(msg::kCauseForeignReplyHint)};
        case NotFoundCause::SubSilent:
            return {FillMessage(msg::kCauseSubSilentSeen, {device, FormatIpv4(kTempAddress)}),
                    Text(msg::kCauseSubSilentHint)};
        case NotFoundCause::TempAddressRefused:
            return {d.interfaceName.empty()
                        ? FillMessage(msg::kCauseTempRefusedSeen, {kTempAddressText})
                        : FillMessage(msg::kCauseTempHeldSeen, {kTempAddressText, d.interfaceName}),
                    Text(msg::kCauseTempRefusedHint)};
        case NotFoundCause::RouteConflict:
            return {FillMessage(msg::kCauseRouteConflictSeen,
                                {d.interfaceName, PrefixText(d.route).View()}),
                    Text(msg::kCauseRouteConflictHint)};
        case NotFoundCause::NoRights:
            return {Text(msg::kCauseNoRightsSeen), Text(msg::kCauseNoRightsHint)};
        case NotFoundCause::TempAddressInSubnet:
            return {FillMessage(
                        msg::kCauseTempInSubnetSeen,
                        {d.interfaceName, PrefixText(d.route).View(), FormatIpv4(kTempAddress)}),
                    FillMessage(msg::kCauseTempInSubnetHint, {FormatIpv4(kTempAddress)})};
        case NotFoundCause::SendRefused:
            return {
                FillMessage(msg::kCauseSendRefusedSeen, {SendErrorText(d.sendError)}),
                FillMessage(msg::kCauseSendRefusedHint, {std::to_string(kDiscoveryRequestPort)})};
    }
    return {NoReplySeen(d.adapters),
            d.firewall.kind == FirewallFindingKind::OtherFirewall
                ? FillMessage(msg::kCauseOtherFirewallHint, {d.firewall.name, replyPort})
                : Text(msg::kCauseNoReplyHint)};
}

}  // namespace rlq
