#include "tools/unit-sim/web_style.h"

#include <array>
#include <utility>

namespace rlq::sim {
namespace {

using namespace std::string_view_literals;

constexpr std::array<std::pair<WebStyle, std::string_view>, 7> kStyleNames{{
    {WebStyle::Full, "full"},
    {WebStyle::StatusOnly, "status-only"},
    {WebStyle::StatusReset, "status-reset"},
    {WebStyle::NoBlankLine, "no-blank-line"},
    {WebStyle::ShortBody, "short-body"},
    {WebStyle::LongBody, "long-body"},
    {WebStyle::Junk, "junk"},
}};

constexpr std::array<std::pair<WebFault, std::string_view>, 4> kFaultNames{{
    {WebFault::NeverAnswer, "never-answer"},
    {WebFault::CloseMidResponse, "close-mid-response"},
    {WebFault::Garbage, "garbage"},
    {WebFault::InterimOnly, "interim-only"},
}};

template <typename Table>
auto ValueNamed(const Table& table, std::string_view name)
    -> std::optional<typename Table::value_type::first_type> {
    for (const auto& [value, valueName] : table) {
        if (name == valueName) {
            return value;
        }
    }
    return std::nullopt;
}

constexpr std::string_view kShortBody = "cut";  // of the 16 bytes announced
constexpr std::size_t kAnnouncedShortBody = 16;
constexpr std::string_view kLongBody = "a body that no Content-Length announced\r\n";
// A NUL and bytes no header holds, where headers belong.
constexpr std::string_view kJunk = "\x01\x00\xFF\xFE no header here\r\n\x7F\r\n"sv;

std::string Headers(std::size_t contentLength) {
    return "Server: rlq-unit-sim\r\nContent-Length: " + std::to_string(contentLength) +
           "\r\nConnection: close\r\n";
}

}  // namespace

std::optional<WebStyle> ParseWebStyle(std::string_view name) {
    return ValueNamed(kStyleNames, name);
}

std::optional<WebFault> ParseWebFaultName(std::string_view name) {
    return ValueNamed(kFaultNames, name);
}

std::string_view WebStyleName(WebStyle style) {
    for (const auto& [candidate, name] : kStyleNames) {
        if (candidate == style) {
            return name;
        }
    }
    return {};
}

std::string ComposeWebAnswer(WebStyle style, unsigned status, std::string_view reason) {
    const std::string statusLine =
        "HTTP/1.0 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
    switch (style) {
        case WebStyle::Full:
            return statusLine + Headers(0) + "\r\n";
        case WebStyle::StatusOnly:
        case WebStyle::StatusReset:
            return statusLine;
        case WebStyle::NoBlankLine:
            return statusLine + Headers(0);
        case WebStyle::ShortBody:
            return statusLine + Headers(kAnnouncedShortBody) + "\r\n" + std::string(kShortBody);
        case WebStyle::LongBody:
            return statusLine + Headers(0) + "\r\n" + std::string(kLongBody);
        case WebStyle::Junk:
            return statusLine + std::string(kJunk);
    }
    return statusLine;
}

}  // namespace rlq::sim
