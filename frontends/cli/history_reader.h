#pragma once
// rlq-updater-cli --history reads the history back: each stored line that is a JSON object
// with a time is an entry; anything else (a line a crash cut short, a hand edit) is counted.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/record_folder.h"

namespace rlq::cli {

struct HistoryRead {
    std::vector<nlohmann::json> entries;  // oldest first
    std::vector<std::string> lines;       // the entries' lines as stored
    int skipped = 0;                      // lines that are no entry
    bool readable = true;
};

HistoryRead ReadHistory(platform::RecordFolder& folder);

}  // namespace rlq::cli
