#pragma once
// How the simulated web interface words its answers: in full, or as tersely as a small embedded
// server about to drop into its loader may.

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

std::optional<WebStyle> ParseWebStyle(std::string_view name);
std::string_view WebStyleName(WebStyle style);

// The bytes answering with `status` (reason phrase `reason`) in `style`.
std::string ComposeWebAnswer(WebStyle style, unsigned status, std::string_view reason);

}  // namespace rlq::sim
