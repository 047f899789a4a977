#pragma once
// How the simulated web interface words its answers: in full, or as tersely as a small embedded
// server about to drop into its loader may; and the faults that break an answer off.

#include <optional>
#include <string>
#include <string_view>

namespace rlq::sim {

enum class WebStyle {
    Full,         // status line, headers, blank line, then close
    StatusOnly,   // the status line alone, then close
    StatusReset,  // the status line alone, then a connection reset
    NoBlankLine,  // status line and headers without the blank line, then close
    ShortBody,    // a body shorter than the length announced, then close
    LongBody,     // more body than announced
    Junk,         // the status line, then bytes that are no header, then close
};

enum class WebFault {
    None,
    NeverAnswer,       // read the request, keep the connection open, answer nothing
    CloseMidResponse,  // send part of a status line, then close
    Garbage,           // answer bytes that are no HTTP response
    InterimOnly,       // answer an interim (100) head alone, then close
};

// The names the simulator's command line and log use.
std::optional<WebStyle> ParseWebStyle(std::string_view name);
std::string_view WebStyleName(WebStyle style);
std::optional<WebFault> ParseWebFaultName(std::string_view name);

// The bytes answering with `status` (reason phrase `reason`) in `style`.
std::string ComposeWebAnswer(WebStyle style, unsigned status, std::string_view reason);

}  // namespace rlq::sim
