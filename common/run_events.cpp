#include "common/run_events.h"

#include <cstdio>

namespace rlq {
namespace {

template <typename... Params, typename... Args>
void Each(const std::vector<RunObserver*>& listeners, void (RunObserver::*event)(Params...),
          const Args&... args) {
    for (RunObserver* listener : listeners) {
        (listener->*event)(args...);
    }
}

}  // namespace

std::string_view RunModeName(RunMode mode) {
    switch (mode) {
        case RunMode::Check:
            return "check";
        case RunMode::SpecialMode:
            return "special-mode";
        case RunMode::Update:
            break;
    }
    return "update";
}

void RunEvents::RunStarted(const RunStart& start) {
    Each(m_listeners, &RunObserver::RunStarted, start);
}
void RunEvents::LeftoverAddressRemoved(const std::string& interfaceName) {
    Each(m_listeners, &RunObserver::LeftoverAddressRemoved, interfaceName);
}
void RunEvents::SearchStarted(std::int32_t kind) {
    Each(m_listeners, &RunObserver::SearchStarted, kind);
}
void RunEvents::AdaptersSeen(const std::vector<AdapterReport>& adapters) {
    Each(m_listeners, &RunObserver::AdaptersSeen, adapters);
}
void RunEvents::SearchShown(const SearchTexts& texts) {
    Each(m_listeners, &RunObserver::SearchShown, texts);
}
void RunEvents::PassStarted(const DiscoveryPass& pass) {
    Each(m_listeners, &RunObserver::PassStarted, pass);
}
void RunEvents::PassEnded(const DiscoveryPass& pass, int requestsSent) {
    Each(m_listeners, &RunObserver::PassEnded, pass, requestsSent);
}
void RunEvents::ReplyReceived(const ReceivedReply& reply) {
    Each(m_listeners, &RunObserver::ReplyReceived, reply);
}
void RunEvents::ReplySocketRefused(Ipv4 localAddress, std::uint32_t interfaceIndex) {
    Each(m_listeners, &RunObserver::ReplySocketRefused, localAddress, interfaceIndex);
}
void RunEvents::SearchDiagnosed(std::int32_t kind, const SearchDiagnosis& diagnosis) {
    Each(m_listeners, &RunObserver::SearchDiagnosed, kind, diagnosis);
}
void RunEvents::SearchGivenUp(const SearchTexts& texts) {
    Each(m_listeners, &RunObserver::SearchGivenUp, texts);
}
void RunEvents::SearchEnded(std::int32_t kind, Ipv4 unitAddress, std::uint16_t version,
                            bool viaTempAddress) {
    Each(m_listeners, &RunObserver::SearchEnded, kind, unitAddress, version, viaTempAddress);
}
void RunEvents::TempAddressAdded(std::uint32_t interfaceIndex) {
    Each(m_listeners, &RunObserver::TempAddressAdded, interfaceIndex);
}
void RunEvents::TempAddressRefused(std::uint32_t interfaceIndex) {
    Each(m_listeners, &RunObserver::TempAddressRefused, interfaceIndex);
}
void RunEvents::TempAddressRemoved() {
    Each(m_listeners, &RunObserver::TempAddressRemoved);
}
void RunEvents::VersionShown(int slot, std::uint16_t unitVersion, std::uint16_t carried) {
    Each(m_listeners, &RunObserver::VersionShown, slot, unitVersion, carried);
}
void RunEvents::UnitAddressShown(int slot, Ipv4 address) {
    Each(m_listeners, &RunObserver::UnitAddressShown, slot, address);
}
void RunEvents::Progress(int slot, std::uint32_t done, std::uint32_t total) {
    Each(m_listeners, &RunObserver::Progress, slot, done, total);
}
void RunEvents::HttpRequestEnded(std::string_view url, std::uint32_t status,
                                 std::string_view errorText, std::chrono::milliseconds took) {
    Each(m_listeners, &RunObserver::HttpRequestEnded, url, status, errorText, took);
}
void RunEvents::TftpEnded(std::uint32_t blocks, std::uint32_t retransmissions, std::uint32_t bytes,
                          std::chrono::milliseconds took) {
    Each(m_listeners, &RunObserver::TftpEnded, blocks, retransmissions, bytes, took);
}
void RunEvents::MessageShown(int textId, std::string_view caption, std::string_view text) {
    Each(m_listeners, &RunObserver::MessageShown, textId, caption, text);
}
void RunEvents::Offered(OfferedButton button) {
    Each(m_listeners, &RunObserver::Offered, button);
}
void RunEvents::RunEnded(SequenceOutcome outcome) {
    Each(m_listeners, &RunObserver::RunEnded, outcome);
}

void RunEvents::ProgramEnded(int status, std::string_view outcome) {
    Each(m_listeners, &RunObserver::ProgramEnded, status, outcome);
}
void RunEvents::UnitChecked(int slot, Ipv4 address, std::uint16_t version, std::uint16_t carried,
                            bool current) {
    Each(m_listeners, &RunObserver::UnitChecked, slot, address, version, carried, current);
}

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
    }
    return "no-reply";
}

std::string HexText(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string ReplyFault(const ReceivedReply& reply) {
    switch (reply.verdict) {
        case ReplyVerdict::WrongLength:
            return std::to_string(reply.length) + " bytes";
        case ReplyVerdict::NotAReply:
            return "no REPLY header";
        case ReplyVerdict::NewerFormat:
            return "format " + HexText(reply.format, 4);
        case ReplyVerdict::UnknownKind:
        case ReplyVerdict::KindNotWanted:
            return "kind " + HexText(reply.unitKind, 2);
        case ReplyVerdict::VersionFiltered:
        case ReplyVerdict::Accepted:
            break;
    }
    return "version " + HexText(reply.version, 4);
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
            return std::string(PrefixText(diagnosis.route).View()) + " on " +
                   diagnosis.interfaceName;
        case NotFoundCause::TempAddressRefused:
            return diagnosis.interfaceName.empty() ? std::string{}
                                                   : "already on " + diagnosis.interfaceName;
        case NotFoundCause::NoReply:
        case NotFoundCause::NoLink:
        case NotFoundCause::NoEthernet:
        case NotFoundCause::NoAddress:
        case NotFoundCause::NoRights:
            break;
    }
    return {};
}

RunObserver& NoRunObserver() {
    static RunObserver nobody;
    return nobody;
}

}  // namespace rlq
