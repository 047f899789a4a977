#include "app/run_log.h"

#include "app/exit_status.h"
#include "common/temp_address.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "net/reply.h"

namespace rlq {
namespace {

constexpr int kProgressStep = 10;  // the log keeps a bar's every tenth

std::string VerdictName(ReplyVerdict verdict) {
    switch (verdict) {
        case ReplyVerdict::Accepted:
            return "accepted";
        case ReplyVerdict::WrongLength:
            return "rejected: not 16 bytes";
        case ReplyVerdict::NotAReply:
            return "rejected: no REPLY header";
        case ReplyVerdict::NewerFormat:
            return "rejected: a newer format";
        case ReplyVerdict::UnknownKind:
            return "rejected: an unknown unit kind";
        case ReplyVerdict::KindNotWanted:
            return "rejected: not the unit searched for";
        case ReplyVerdict::VersionFiltered:
            return "rejected: the version filter";
    }
    return "rejected";
}

// Texts as one line: the line breaks of a message become " / ".
std::string OneLine(std::string_view text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        line += text[i] == '\n' || text[i] == '\r' ? std::string(" / ") : std::string(1, text[i]);
    }
    return line;
}

std::string Joined(const SearchTexts& texts) {
    std::string joined;
    for (const std::string& line : texts.lines) {
        if (!line.empty()) {
            joined += joined.empty() ? "" : " / ";
            joined += line;
        }
    }
    return joined;
}

}  // namespace

RunLog::RunLog(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
               RecordFailure onFailure, LogEcho echo)
    : m_file(folder, start, std::move(onFailure), std::move(echo)) {}

void RunLog::Line(const std::string& text) {
    m_file.Line(text);
}

void RunLog::RunStarted(const RunStart& start) {
    Line("run-start program " + start.programVersion + ", mode " +
         std::string(RunModeName(start.mode)) + ", carried main " +
         FormatVersion(start.carried[kMainSlot]) + " sub " +
         FormatVersion(start.carried[kSubSlot]));
}

void RunLog::InstanceNameHeld(std::string_view name, const platform::ProcessIdentity& holder) {
    Line("single-instance name " + std::string(name) + " held by " + ProcessText(holder));
}

void RunLog::LeftoverAddressRemoved(const std::string& interfaceName) {
    Line("leftover-removed " + std::string(kTempAddressText) + " on " + interfaceName);
}

void RunLog::SearchStarted(Unit unit) {
    Line("search-start " + std::string(UnitName(unit)));
}

void RunLog::AdaptersSeen(const std::vector<AdapterReport>& adapters) {
    if (adapters.empty()) {
        Line("adapters: none could be read");
    }
    for (const AdapterReport& adapter : adapters) {
        std::string line =
            "adapter " + adapter.name + " index " + std::to_string(adapter.interfaceIndex) +
            " type " + std::to_string(adapter.type) + " state " +
            std::to_string(adapter.operStatus) + (adapter.dhcp ? " dhcp" : " static") + ":";
        for (const MaskedAddress& address : adapter.addresses) {
            line += ' ';
            line += PrefixText(address).View();
        }
        Line(line);
    }
}

void RunLog::SearchShown(const SearchTexts& texts) {
    Line("search-dialog: " + Joined(texts));
}

void RunLog::PassStarted(const DiscoveryPass& pass) {
    Line("pass from " + FormatIpv4(pass.localAddress) + " to " + FormatIpv4(pass.destination) +
         " on interface " + std::to_string(pass.interfaceIndex) +
         (pass.viaTempAddress ? " (temporary address)" : ""));
}

void RunLog::PassEnded(const DiscoveryPass& pass, int requestsSent, const RefusedSends& refused) {
    std::string line = "pass-end from " + FormatIpv4(pass.localAddress) + ": " +
                       std::to_string(requestsSent) + " requests sent";
    if (refused.count > 0) {
        line += ", " + std::to_string(refused.count) + " refused: " + SendErrorText(refused.first);
    }
    Line(line);
}

void RunLog::ReplyReceived(const ReceivedReply& reply) {
    std::string line =
        "reply from " + FormatIpv4(reply.source) + ": " + std::to_string(reply.length) + " bytes";
    if (reply.verdict != ReplyVerdict::WrongLength && reply.verdict != ReplyVerdict::NotAReply) {
        line += ", format " + HexText(reply.format, 4) + ", kind " + HexText(reply.unitKind, 2) +
                ", version " + FormatVersion(reply.version);
    }
    Line(line + ", " + VerdictName(reply.verdict));
}

void RunLog::ReplySocketRefused(Ipv4 localAddress, std::uint32_t interfaceIndex) {
    Line("reply-socket refused on " + FormatIpv4(localAddress) + " port " +
         std::to_string(kDiscoveryReplyPort) + ", interface " + std::to_string(interfaceIndex));
}

void RunLog::DiscoveryEventsDropped(std::size_t count) {
    Line("log-dropped " + std::to_string(count) + " discovery events: the search's queue was full");
}

void RunLog::SearchDiagnosed(Unit unit, const SearchDiagnosis& diagnosis) {
    const std::string detail = DiagnosisDetail(diagnosis);
    Line("search-cause " + std::string(UnitName(unit)) + " " +
         std::string(NotFoundCauseCode(diagnosis.cause)) + (detail.empty() ? "" : ": " + detail));
    for (const AdapterSearched& adapter : diagnosis.adapters) {
        std::string line = "searched " + adapter.name + (adapter.link ? " link up" : " link down");
        for (const MaskedAddress& address : adapter.addresses) {
            line += ' ';
            line += PrefixText(address).View();
        }
        Line(line + ", sent " + std::to_string(adapter.sent) + ", replies " +
             std::to_string(adapter.replies) + ", rejected " + std::to_string(adapter.rejected));
    }
}

void RunLog::SearchGivenUp(const SearchTexts& texts) {
    Line("search-given-up: " + texts.title + " / " + Joined(texts));
}

void RunLog::SearchEnded(Unit unit, Ipv4 unitAddress, std::uint16_t version, bool viaTempAddress) {
    Line("search-end " + std::string(UnitName(unit)) +
         (unitAddress == Ipv4{}
              ? std::string(": not found")
              : ": found " + FormatIpv4(unitAddress) + " version " + FormatVersion(version) +
                    (viaTempAddress ? " through the temporary address" : "")));
}

void RunLog::TempAddressAdded(std::uint32_t interfaceIndex) {
    Line("temp-address " + std::string(kTempAddressText) + " added on interface " +
         std::to_string(interfaceIndex));
}

void RunLog::TempAddressRefused(std::uint32_t interfaceIndex) {
    Line("temp-address " + std::string(kTempAddressText) + " refused on interface " +
         std::to_string(interfaceIndex));
}

void RunLog::TempAddressRemoved() {
    Line("temp-address " + std::string(kTempAddressText) + " removed");
}

void RunLog::VersionShown(Unit unit, std::uint16_t unitVersion, std::uint16_t carried) {
    Line("version " + std::string(UnitName(unit)) + " " + VersionChangeText(unitVersion, carried));
}

void RunLog::UnitAddressShown(Unit unit, Ipv4 address) {
    Line("update " + std::string(UnitName(unit)) + " at " + FormatIpv4(address));
}

void RunLog::Progress(Unit unit, std::uint32_t done, std::uint32_t total) {
    const int slot = SlotOf(unit);
    const int percent = total == 0 ? 100 : static_cast<int>(100.0 * done / total);
    const int step = percent / kProgressStep * kProgressStep;
    if (step == m_lastPercent[slot]) {
        return;
    }
    m_lastPercent[slot] = step;
    Line("progress " + std::string(UnitName(unit)) + " " + std::to_string(step) + "%");
}

void RunLog::HttpRequestEnded(Ipv4 address, std::string_view path, std::uint32_t status,
                              std::string_view errorText, std::chrono::milliseconds took) {
    Line("http POST http://" + FormatIpv4(address) + "/" + std::string(path) + " -> " +
         (errorText.empty() ? std::to_string(status) : "error: " + OneLine(errorText)) + " in " +
         std::to_string(took.count()) + " ms");
}

void RunLog::TftpEnded(std::uint32_t blocks, std::uint32_t retransmissions, std::uint32_t bytes,
                       std::chrono::milliseconds took) {
    Line("tftp " + std::to_string(blocks) + " blocks acknowledged, " +
         std::to_string(retransmissions) + " sent again, " + std::to_string(bytes) + " bytes in " +
         std::to_string(took.count()) + " ms");
}

void RunLog::MessageShown(int textId, std::string_view caption, std::string_view text) {
    Line("message " + std::to_string(textId) + " [" + std::string(caption) + "] " + OneLine(text));
}

void RunLog::Offered(OfferedButton button) {
    Line(std::string("offer ") + (button == OfferedButton::Retry ? "retry" : "special-mode"));
}

void RunLog::RunEnded(SequenceOutcome outcome) {
    // The names of the exit statuses, one set of words for the log, JSON and the history.
    Line("run-end " + std::string(ExitForOutcome(outcome, false).outcome));
}

void RunLog::ProgramEnded(int status, std::string_view outcome) {
    Line("program-end status " + std::to_string(status) + " (" + std::string(outcome) + ")");
}

}  // namespace rlq
