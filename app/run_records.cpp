#include "app/run_records.h"

#include <algorithm>
#include <ctime>

#include "app/exit_status.h"
#include "common/json_line.h"
#include "common/temp_address.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "net/reply.h"
#include "resources/version_info.h"

namespace rlq {
namespace {

constexpr char kLogPrefix[] = "run-";
constexpr char kLogSuffix[] = ".log";
constexpr char kHistoryLock[] = "history.lock";
constexpr int kLogNameTries = 9;
constexpr int kProgressStep = 10;  // the log keeps a bar's every tenth
constexpr const char* kSlotName[kSlotCount] = {"main", "sub"};

std::tm Utc(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    return utc;
}

// "run-20261208T141003.123Z.log": names sort as the runs started.
std::string LogName(std::chrono::system_clock::time_point start, int attempt) {
    const std::tm utc = Utc(start);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(start.time_since_epoch()).count() %
        1000;
    char name[64];
    std::snprintf(name, sizeof name, "%s%04d%02d%02dT%02d%02d%02d.%03dZ", kLogPrefix,
                  utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                  utc.tm_sec, static_cast<int>(millis));
    std::string text = name;
    if (attempt > 0) {
        text += '-';
        text += std::to_string(attempt + 1);
    }
    return text + kLogSuffix;
}

bool IsLogName(const std::string& name) {
    const std::string_view prefix = kLogPrefix;
    const std::string_view suffix = kLogSuffix;
    return name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
           name.ends_with(suffix);
}

void RemoveOldLogs(platform::RecordFolder& folder) {
    std::vector<std::string> logs = folder.Names();
    std::erase_if(logs, [](const std::string& name) { return !IsLogName(name); });
    if (logs.size() <= kKeptLogs) {
        return;
    }
    std::sort(logs.begin(), logs.end());
    for (std::size_t i = 0; i + kKeptLogs < logs.size(); ++i) {
        folder.Remove(logs[i]);
    }
}

std::string KindName(std::int32_t kind) {
    switch (kind) {
        case SEARCH_MAIN:
            return "main";
        case SEARCH_SUB:
            return "sub";
        case SEARCH_BASE:
            return "base";
        case SEARCH_CHILD:
            return "child";
        default:
            return "kind " + std::to_string(kind);
    }
}

std::string ModeName(RunMode mode) {
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

std::string IsoUtc(std::chrono::system_clock::time_point time) {
    const std::tm utc = Utc(time);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

RunLog::RunLog(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
               RecordFailure onFailure, LogEcho echo)
    : m_onFailure(std::move(onFailure)), m_echo(std::move(echo)) {
    std::string why;
    for (int attempt = 0; attempt < kLogNameTries && !m_file; ++attempt) {
        m_file = folder.CreateNew(LogName(start, attempt), why);
    }
    if (!m_file) {
        m_onFailure(why);
        Line("no log file: " + why);
        return;
    }
    RemoveOldLogs(folder);
    Line("log of the run started " + IsoUtc(start) + " in " + folder.Path());
}

void RunLog::Line(const std::string& text) {
    std::lock_guard lock(m_lock);
    if (!m_file && !m_echo) {
        return;
    }
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - m_start)
                            .count();
    std::string stamp = std::to_string(millis);
    stamp.insert(0, stamp.size() < 7 ? 7 - stamp.size() : 0, ' ');
    const std::string line = stamp + " " + text + "\n";
    if (m_echo) {
        m_echo(line);
    }
    if (m_file && !m_file->Append(line)) {
        m_file.reset();  // one report, then no more tries: a full disk must not slow the run
        m_onFailure("the run log could not be written");
    }
}

void RunLog::RunStarted(const RunStart& start) {
    Line("run-start program " + start.programVersion + ", mode " + ModeName(start.mode) +
         ", carried main " + FormatVersion(start.carried[kMainSlot]) + " sub " +
         FormatVersion(start.carried[kSubSlot]));
}

void RunLog::LeftoverAddressRemoved(const std::string& interfaceName) {
    Line("leftover-removed " + std::string(kTempAddressText) + " on " + interfaceName);
}

void RunLog::SearchStarted(std::int32_t kind) {
    Line("search-start " + KindName(kind));
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
            line += FormatIpv4(address.address) + "/" + FormatIpv4(address.mask);
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

void RunLog::PassEnded(const DiscoveryPass& pass, int requestsSent) {
    Line("pass-end from " + FormatIpv4(pass.localAddress) + ": " + std::to_string(requestsSent) +
         " requests sent");
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

void RunLog::SearchDiagnosed(std::int32_t kind, const SearchDiagnosis& diagnosis) {
    const std::string detail = DiagnosisDetail(diagnosis);
    Line("search-cause " + KindName(kind) + " " + std::string(NotFoundCauseCode(diagnosis.cause)) +
         (detail.empty() ? "" : ": " + detail));
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

void RunLog::SearchEnded(std::int32_t kind, Ipv4 unitAddress, std::uint16_t version,
                         bool viaTempAddress) {
    Line("search-end " + KindName(kind) +
         (unitAddress == 0
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

void RunLog::VersionShown(int slot, std::uint16_t unitVersion, std::uint16_t carried) {
    Line("version " + std::string(kSlotName[slot]) + " " + VersionChangeText(unitVersion, carried));
}

void RunLog::UnitAddressShown(int slot, Ipv4 address) {
    Line("update " + std::string(kSlotName[slot]) + " at " + FormatIpv4(address));
}

void RunLog::Progress(int slot, std::uint32_t done, std::uint32_t total) {
    const int percent = total == 0 ? 100 : static_cast<int>(100.0 * done / total);
    const int step = percent / kProgressStep * kProgressStep;
    if (slot < 0 || slot >= kSlotCount || step == m_lastPercent[slot]) {
        return;
    }
    m_lastPercent[slot] = step;
    Line("progress " + std::string(kSlotName[slot]) + " " + std::to_string(step) + "%");
}

void RunLog::HttpRequestEnded(std::string_view url, std::uint32_t status,
                              std::string_view errorText, std::chrono::milliseconds took) {
    Line("http POST " + std::string(url) + " -> " +
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

RunHistory::RunHistory(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
                       RecordFailure onFailure)
    : m_folder(folder), m_start(start), m_onFailure(std::move(onFailure)) {
    // A run that never started (no rights, another copy) still names the program.
    m_run.programVersion = res::version::FileVersionText();
}

void RunHistory::RunStarted(const RunStart& start) {
    m_run = start;
}

void RunHistory::SearchEnded(std::int32_t kind, Ipv4 unitAddress, std::uint16_t version, bool) {
    const int slot = kind == SEARCH_MAIN ? kMainSlot : kind == SEARCH_SUB ? kSubSlot : -1;
    if (slot >= 0 && unitAddress != 0) {
        m_found[slot] = Found{unitAddress, version};
    }
    if (unitAddress != 0) {
        m_cause.clear();  // a retry got past the search that failed
    }
}

void RunHistory::SearchDiagnosed(std::int32_t, const SearchDiagnosis& diagnosis) {
    m_cause = NotFoundCauseCode(diagnosis.cause);
}

void RunHistory::ProgramEnded(int status, std::string_view outcome) {
    JsonLine entry;
    entry.String("time", IsoUtc(m_start))
        .String("program", m_run.programVersion)
        .String("mode", ModeName(m_run.mode))
        .String("outcome", outcome)
        .Number("status", status);
    if (!m_cause.empty()) {
        entry.String("cause", m_cause);
    }
    JsonLine units;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (m_found[slot]) {
            units.Object(kSlotName[slot],
                         JsonLine()
                             .String("address", FormatIpv4(m_found[slot]->address))
                             .String("version", FormatVersion(m_found[slot]->version))
                             .String("carried", FormatVersion(m_run.carried[slot])));
        }
    }
    entry.Object("units", units);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now() - m_start);
    entry.Tenths("duration_s", std::max<std::int64_t>(0, took.count() / 100));

    std::string why;
    const auto lock = m_folder.Lock(kHistoryLock, why);
    const std::optional<std::string> stored = lock ? m_folder.Read(kHistoryName) : std::nullopt;
    if (!stored) {
        m_onFailure(why.empty() ? std::string("the history could not be read") : why);
        return;
    }
    // A line cut short by a crash stays a line of its own instead of swallowing this one.
    std::string line = stored->empty() || stored->back() == '\n' ? "" : "\n";
    line += entry.Text() + "\n";
    const std::size_t count =
        static_cast<std::size_t>(std::count(stored->begin(), stored->end(), '\n') + 1);
    bool written = false;
    if (count <= kKeptHistory) {
        written = m_folder.Append(kHistoryName, line);
    } else {
        std::string all = *stored + line;
        std::size_t cut = 0;
        for (std::size_t drop = count - kKeptHistory; drop > 0; --drop) {
            cut = all.find('\n', cut) + 1;
        }
        written = m_folder.Replace(kHistoryName, all.substr(cut));
    }
    if (!written) {
        m_onFailure("the history could not be written");
    }
}

HistoryRead ReadHistory(platform::RecordFolder& folder) {
    HistoryRead read;
    const std::optional<std::string> stored = folder.Read(kHistoryName);
    if (!stored) {
        read.readable = false;
        return read;
    }
    std::size_t at = 0;
    while (at < stored->size()) {
        std::size_t end = stored->find('\n', at);
        if (end == std::string::npos) {
            end = stored->size();
        }
        const std::string line = stored->substr(at, end - at);
        at = end + 1;
        if (line.empty()) {
            continue;
        }
        std::optional<JsonValue> entry = ParseJson(line);
        if (entry && entry->Find("time") != nullptr) {
            read.entries.push_back(std::move(*entry));
            read.lines.push_back(line);
        } else {
            ++read.skipped;
        }
    }
    return read;
}

}  // namespace rlq
