#pragma once
// The two units the program updates. Each layer keeps the index its own procedure counts by
// (the document's slots, the search's kind flags); what a layer reports names the unit.

#include <string_view>

namespace rlq {

enum class Unit { Main, Sub };
inline constexpr Unit kUnits[] = {Unit::Main, Unit::Sub};

// "main", "sub": the word of the log, the JSON lines and the history.
constexpr std::string_view UnitName(Unit unit) {
    return unit == Unit::Main ? "main" : "sub";
}

}  // namespace rlq
