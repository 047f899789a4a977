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

std::string DiagnosisDetail(const SearchDiagnosis& diagnosis) {
    switch (diagnosis.cause) {
        case NotFoundCause::ForeignReply:
            return FormatIpv4(diagnosis.device) + " " + ReplyFault(diagnosis.reply);
        case NotFoundCause::ReplyBlocked:
            return "from " + FormatIpv4(diagnosis.device);
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
        case NotFoundCause::NoLink:
        case NotFoundCause::NoEthernet:
        case NotFoundCause::NoAddress:
        case NotFoundCause::NoRights:
            break;
    }
    return {};
}

}  // namespace rlq
