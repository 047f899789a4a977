#pragma once
// The history: one JSON line per run in the record folder, the newest kKeptHistory kept,
// appended under a lock between processes. It never holds firmware bytes. An entry that cannot
// be written is reported once through `onFailure` and never stops the run.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/log_file.h"
#include "app/program_events.h"
#include "platform/record_folder.h"
#include "workflow/sequence_events.h"

namespace rlq {

inline constexpr std::size_t kKeptHistory = 1000;
inline constexpr char kHistoryName[] = "history.jsonl";

// Collects one run's history entry and appends it at the program's end.
class RunHistory final : public SequenceObserver, public ProgramObserver {
  public:
    RunHistory(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
               RecordFailure onFailure);

    void RunStarted(const RunStart& start) override;
    void SearchDiagnosed(Unit unit, const SearchDiagnosis& diagnosis) override;
    void SearchEnded(Unit unit, Ipv4 unitAddress, std::uint16_t version,
                     bool viaTempAddress) override;
    void ProgramEnded(int status, std::string_view outcome) override;
    void InstanceNameHeld(std::string_view name, const platform::ProcessIdentity& holder) override;

  private:
    platform::RecordFolder& m_folder;
    std::string m_cause;   // of the run's last search that found nothing
    std::string m_heldBy;  // who held the single-instance name of a run that did not start
    const std::chrono::system_clock::time_point m_start;
    RecordFailure m_onFailure;
    RunStart m_run;
    struct Found {
        Ipv4 address;
        std::uint16_t version = 0;
    };
    std::optional<Found> m_found[2];
};

}  // namespace rlq
