#include "frontends/cli/history_printer.h"

#include <string>

#include "app/exit_status.h"

namespace rlq::cli {
namespace {

constexpr char kHeader[] =
    "time                  mode          outcome               status  main unit                  "
    "sub unit                   seconds";

// A field as its text: a string as it is, anything else as JSON writes it; empty when missing.
std::string Field(const nlohmann::json& object, const char* key) {
    const auto value = object.is_object() ? object.find(key) : object.end();
    if (value == object.end()) {
        return {};
    }
    return value->is_string() ? value->get<std::string>() : value->dump();
}

// "192.168.77.20 1.30→1.34", or "-" when the unit was not found.
std::string UnitText(const nlohmann::json& entry, const char* unit) {
    const auto units = entry.find("units");
    if (units == entry.end() || !units->is_object() || !units->contains(unit)) {
        return "-";
    }
    const nlohmann::json& found = (*units)[unit];
    return Field(found, "address") + " " + Field(found, "version") + "→" + Field(found, "carried");
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
    for (const nlohmann::json& entry : history.entries) {
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
