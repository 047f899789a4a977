#pragma once
// The line protocol between the desktop program and rlq-net-helper, over the helper's standard
// input and output (one end of a socket pair). One request, one reply, each a line:
//   ready                          helper → program, once, when it runs with its rights
//   add <ifindex> 10.10.1.1/8      → "lease <id>" or "refused"
//   remove <id>                    → "removed" or "unknown"
//   sweep                          → "swept" and the names of the interfaces a leftover
//                                    10.10.1.1/8 was removed from, or "refused" while the
//                                    helper holds an address
// The end of its input (or SIGTERM, SIGINT, SIGHUP) makes the helper remove every address it
// added and end.

#include <cstddef>
#include <string_view>

#include "common/ipv4.h"
#include "common/temp_address.h"

namespace rlq::net_helper {

inline constexpr std::string_view kReady = "ready";
inline constexpr std::string_view kAdd = "add";
inline constexpr std::string_view kRemove = "remove";
inline constexpr std::string_view kSweep = "sweep";
inline constexpr std::string_view kSwept = "swept";
inline constexpr std::string_view kLease = "lease";
inline constexpr std::string_view kRefused = "refused";
inline constexpr std::string_view kRemoved = "removed";
inline constexpr std::string_view kUnknown = "unknown";
// The only address the helper adds is kTempAddressText.
// A longer line is not ours: the helper cleans up and ends.
inline constexpr std::size_t kMaxLine = 64;

}  // namespace rlq::net_helper
