#include "app/run_history.h"

#include <algorithm>

#include "app/utc_time.h"
#include "common/json_line.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "resources/version_info.h"

namespace rlq {
namespace {

constexpr char kHistoryLock[] = "history.lock";

}  // namespace

RunHistory::RunHistory(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
                       RecordFailure onFailure)
    : m_folder(folder), m_start(start), m_onFailure(std::move(onFailure)) {
    // A run that never started (no rights, another copy) still names the program.
    m_run.programVersion = res::version::FileVersionText();
}

void RunHistory::RunStarted(const RunStart& start) {
    m_run = start;
}

void RunHistory::SearchEnded(Unit unit, Ipv4 unitAddress, std::uint16_t version, bool) {
    if (unitAddress != Ipv4{}) {
        m_found[SlotOf(unit)] = Found{unitAddress, version};
        m_cause.clear();  // a retry got past the search that failed
    }
}

void RunHistory::SearchDiagnosed(Unit, const SearchDiagnosis& diagnosis) {
    m_cause = NotFoundCauseCode(diagnosis.cause);
}

void RunHistory::InstanceNameHeld(std::string_view, const platform::ProcessIdentity& holder) {
    m_heldBy = ProcessText(holder);
}

void RunHistory::ProgramEnded(int status, std::string_view outcome) {
    JsonLine entry;
    entry.String("time", IsoUtc(m_start))
        .String("program", m_run.programVersion)
        .String("mode", RunModeName(m_run.mode))
        .String("outcome", outcome)
        .Number("status", status);
    if (!m_cause.empty()) {
        entry.String("cause", m_cause);
    }
    if (!m_heldBy.empty()) {
        entry.String("held_by", m_heldBy);
    }
    JsonLine units;
    for (const Unit unit : kUnits) {
        const int slot = SlotOf(unit);
        if (m_found[slot]) {
            units.Object(UnitName(unit),
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

}  // namespace rlq
