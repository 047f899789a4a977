#include "workflow/sequence_events.h"

namespace rlq {

std::string_view NotFoundCauseCode(NotFoundCause cause) {
    switch (cause) {
        case NotFoundCause::NoReply:
            break;
        case NotFoundCause::NoLink:
            return "no-link";
        case NotFoundCause::NoEthernet:
            return "no-ethernet";
        case NotFoundCause::NoAddress:
            return "no-address";
        case NotFoundCause::ReplyBlocked:
            return "reply-blocked";
        case NotFoundCause::PortInUse:
            return "port-in-use";
        case NotFoundCause::ForeignReply:
            return "foreign-reply";
        case NotFoundCause::SubSilent:
            return "sub-silent";
        case NotFoundCause::TempAddressRefused:
            return "temp-address-refused";
        case NotFoundCause::RouteConflict:
            return "route-conflict";
        case NotFoundCause::NoRights:
            return "no-rights";
        case NotFoundCause::TempAddressInSubnet:
            return "temp-address-in-subnet";
        case NotFoundCause::SendRefused:
            return "send-refused";
    }
    return "no-reply";
}

std::string SendErrorText(const platform::SystemError& error) {
    return error.text + " (error " + std::to_string(error.code) + ")";
}

namespace {

std::string_view ProfileWord(platform::FirewallProfileKind profile) {
    switch (profile) {
        case platform::FirewallProfileKind::Domain:
            return "domain";
        case platform::FirewallProfileKind::Private:
            return "private";
        case platform::FirewallProfileKind::Public:
            break;
    }
    return "public";
}

std::string FirewallDetail(const FirewallFinding& finding) {
    const std::string profile = "profile " + std::string(ProfileWord(finding.profile));
    switch (finding.kind) {
        case FirewallFindingKind::None:
            break;
        case FirewallFindingKind::BlockingRule:
            return "rule \"" + finding.name + "\" blocks";
        case FirewallFindingKind::BlockAllInbound:
            return profile + " blocks all inbound";
        case FirewallFindingKind::UnicastRepliesOff:
            return profile + " takes no unicast replies";
        case FirewallFindingKind::OtherFirewall:
            return "firewall \"" + finding.name + "\"";
    }
    return {};
}

}  // namespace

std::string DiagnosisDetail(const SearchDiagnosis& diagnosis) {
    switch (diagnosis.cause) {
        case NotFoundCause::ForeignReply:
            return FormatIpv4(diagnosis.device) + " " + ReplyFault(diagnosis.reply);
        case NotFoundCause::ReplyBlocked:
            return diagnosis.firewall.kind == FirewallFindingKind::None
                       ? "from " + FormatIpv4(diagnosis.device)
                       : FirewallDetail(diagnosis.firewall);
        case NotFoundCause::PortInUse: {
            if (diagnosis.holderId == 0) {
                return diagnosis.holder;
            }
            const std::string pid = "pid " + std::to_string(diagnosis.holderId);
            return diagnosis.holder.empty() ? pid : diagnosis.holder + " (" + pid + ")";
        }
        case NotFoundCause::SubSilent:
            return "main unit " + FormatIpv4(diagnosis.device);
        case NotFoundCause::RouteConflict:
        case NotFoundCause::TempAddressInSubnet:
            return std::string(PrefixText(diagnosis.route).View()) + " on " +
                   diagnosis.interfaceName;
        case NotFoundCause::TempAddressRefused:
            return diagnosis.interfaceName.empty() ? std::string{}
                                                   : "already on " + diagnosis.interfaceName;
        case NotFoundCause::SendRefused:
            return SendErrorText(diagnosis.sendError);
        case NotFoundCause::NoReply:
            return FirewallDetail(diagnosis.firewall);
        case NotFoundCause::NoLink:
        case NotFoundCause::NoEthernet:
        case NotFoundCause::NoAddress:
        case NotFoundCause::NoRights:
            break;
    }
    return {};
}

}  // namespace rlq
