#include "frontends/cli/history_printer.h"

#include <string>

#include "app/exit_status.h"

namespace rlq::cli {
namespace {

constexpr char kHeader[] =
    "time                  mode          outcome               status  main unit                  "
    "sub unit                   seconds";

// "192.168.77.20 1.30→1.34", or "-" when the unit was not found.
std::string UnitText(const JsonValue& entry, std::string_view unit) {
    const JsonValue* units = entry.Find("units");
    const JsonValue* found = units != nullptr ? units->Find(unit) : nullptr;
    if (found == nullptr) {
        return "-";
    }
    const auto field = [found](std::string_view key) {
        const JsonValue* value = found->Find(key);
        return value != nullptr ? value->Text() : std::string();
    };
    return field("address") + " " + field("version") + "→" + field("carried");
}

std::string Field(const JsonValue& entry, std::string_view key) {
    const JsonValue* value = entry.Find(key);
    return value != nullptr ? value->Text() : std::string();
}

// Pads to `width` columns, counting each character once (the arrow is one).
std::string Padded(std::string text, std::size_t width) {
    std::size_t columns = 0;
    for (const char c : text) {
        columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    if (columns < width) {
        text.append(width - columns, ' ');
    }
    return text;
}

}  // namespace

int PrintHistory(const HistoryRead& history, bool json, std::string_view programName,
                 std::FILE* out, std::FILE* err) {
    if (!history.readable) {
        std::fprintf(err, "%.*s: the history cannot be read\n",
                     static_cast<int>(programName.size()), programName.data());
    }
    if (history.skipped > 0) {
        std::fprintf(err, "%.*s: %d line(s) of the history are no entry and were skipped\n",
                     static_cast<int>(programName.size()), programName.data(), history.skipped);
    }
    if (json) {
        for (const std::string& line : history.lines) {
            std::fprintf(out, "%s\n", line.c_str());
        }
        return kExitDone;
    }
    if (history.entries.empty()) {
        return kExitDone;
    }
    std::fprintf(out, "%s\n", kHeader);
    for (const JsonValue& entry : history.entries) {
        const std::string row =
            Padded(Field(entry, "time"), 22) + Padded(Field(entry, "mode"), 14) +
            Padded(Field(entry, "outcome"), 22) + Padded(Field(entry, "status"), 8) +
            Padded(UnitText(entry, "main"), 27) + Padded(UnitText(entry, "sub"), 27) +
            Field(entry, "duration_s");
        std::fprintf(out, "%s\n", row.c_str());
    }
    return kExitDone;
}

}  // namespace rlq::cli
