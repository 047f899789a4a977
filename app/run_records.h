#pragma once
// The records a run leaves for support, in the user's record folder: a plain-text log of its
// events, one file per run (the newest kKeptLogs kept), and one line per run in the history
// (the newest kKeptHistory kept). Neither ever holds firmware bytes. A record that cannot be
// written is reported once through `onFailure` and never stops or slows the run.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/json_reader.h"
#include "common/run_events.h"
#include "platform/record_folder.h"

namespace rlq {

inline constexpr std::size_t kKeptLogs = 20;
inline constexpr std::size_t kKeptHistory = 1000;
inline constexpr char kHistoryName[] = "history.jsonl";

using RecordFailure = std::function<void(const std::string& why)>;

// "2026-12-08T14:10:03Z"
std::string IsoUtc(std::chrono::system_clock::time_point time);

using LogEcho = std::function<void(const std::string& line)>;

class RunLog final : public RunObserver {
  public:
    // `echo`, where given, also gets each stamped line with its line break (the console's
    // --verbose), whether or not the file can be written.
    RunLog(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
           RecordFailure onFailure, LogEcho echo = {});

    void RunStarted(const RunStart& start) override;
    void LeftoverAddressRemoved(const std::string& interfaceName) override;
    void SearchStarted(std::int32_t kind) override;
    void AdaptersSeen(const std::vector<AdapterReport>& adapters) override;
    void SearchShown(const SearchTexts& texts) override;
    void PassStarted(const DiscoveryPass& pass) override;
    void PassEnded(const DiscoveryPass& pass, int requestsSent) override;
    void ReplyReceived(const ReceivedReply& reply) override;
    void ReplySocketRefused(Ipv4 localAddress, std::uint32_t interfaceIndex) override;
    void SearchGivenUp(const SearchTexts& texts) override;
    void SearchDiagnosed(std::int32_t kind, const SearchDiagnosis& diagnosis) override;
    void SearchEnded(std::int32_t kind, Ipv4 unitAddress, std::uint16_t version,
                     bool viaTempAddress) override;
    void TempAddressAdded(std::uint32_t interfaceIndex) override;
    void TempAddressRefused(std::uint32_t interfaceIndex) override;
    void TempAddressRemoved() override;
    void VersionShown(int slot, std::uint16_t unitVersion, std::uint16_t carried) override;
    void UnitAddressShown(int slot, Ipv4 address) override;
    void Progress(int slot, std::uint32_t done, std::uint32_t total) override;
    void HttpRequestEnded(std::string_view url, std::uint32_t status, std::string_view errorText,
                          std::chrono::milliseconds took) override;
    void TftpEnded(std::uint32_t blocks, std::uint32_t retransmissions, std::uint32_t bytes,
                   std::chrono::milliseconds took) override;
    void MessageShown(int textId, std::string_view caption, std::string_view text) override;
    void Offered(OfferedButton button) override;
    void RunEnded(SequenceOutcome outcome) override;
    void ProgramEnded(int status, std::string_view outcome) override;

  private:
    // One line, stamped with the milliseconds since the start; the discovery thread writes too.
    void Line(const std::string& text);

    std::mutex m_lock;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::unique_ptr<platform::RecordFile> m_file;
    RecordFailure m_onFailure;
    LogEcho m_echo;
    int m_lastPercent[2] = {-1, -1};
};

// Collects one run's history entry and appends it at the program's end.
class RunHistory final : public RunObserver {
  public:
    RunHistory(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
               RecordFailure onFailure);

    void RunStarted(const RunStart& start) override;
    void SearchDiagnosed(std::int32_t kind, const SearchDiagnosis& diagnosis) override;
    void SearchEnded(std::int32_t kind, Ipv4 unitAddress, std::uint16_t version,
                     bool viaTempAddress) override;
    void ProgramEnded(int status, std::string_view outcome) override;

  private:
    platform::RecordFolder& m_folder;
    std::string m_cause;  // of the run's last search that found nothing
    const std::chrono::system_clock::time_point m_start;
    RecordFailure m_onFailure;
    RunStart m_run;
    struct Found {
        Ipv4 address = 0;
        std::uint16_t version = 0;
    };
    std::optional<Found> m_found[2];
};

struct HistoryRead {
    std::vector<JsonValue> entries;  // oldest first
    std::vector<std::string> lines;  // the entries' lines as stored
    int skipped = 0;                 // lines that are no entry
    bool readable = true;
};

HistoryRead ReadHistory(platform::RecordFolder& folder);

}  // namespace rlq
