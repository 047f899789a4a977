#pragma once
// One line per event on stdout, whole lines only, flushed at once so a test can follow it.

#include <string_view>

namespace rlq::sim {

void LogLine(std::string_view line);

}  // namespace rlq::sim
