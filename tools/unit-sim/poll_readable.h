#pragma once
// A bounded wait for a POSIX descriptor, as the simulated unit's Linux services poll theirs.

#include <poll.h>

#include <chrono>

namespace rlq::sim {

// True when `fd` has data to read, or its peer has hung up, within `bound`.
inline bool PollReadable(int fd, std::chrono::milliseconds bound) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(bound.count())) > 0 &&
           (entry.revents & (POLLIN | POLLHUP)) != 0;
}

}  // namespace rlq::sim
