#pragma once
// Times of the run's records, in UTC, from the calendar types of <chrono>: no time zone, no
// locale and nothing of the OS's C library.

#include <chrono>
#include <string>

namespace rlq {

// "2026-12-08T14:10:03Z"
std::string IsoUtc(std::chrono::system_clock::time_point time);
// "20261208T141003.123Z": such names sort as the times they name.
std::string CompactUtcMillis(std::chrono::system_clock::time_point time);

}  // namespace rlq
