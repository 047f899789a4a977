#include "frontends/cli/history_reader.h"

#include <optional>

#include "app/run_history.h"

namespace rlq::cli {

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
        std::string line = stored->substr(at, end - at);
        at = end + 1;
        if (line.empty()) {
            continue;
        }
        nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
        if (entry.is_object() && entry.contains("time")) {
            read.entries.push_back(std::move(entry));
            read.lines.push_back(std::move(line));
        } else {
            ++read.skipped;
        }
    }
    return read;
}

}  // namespace rlq::cli
