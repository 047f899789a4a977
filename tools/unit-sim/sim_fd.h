#pragma once
// POSIX descriptor ownership and the waits the simulator's servers need.

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <utility>

namespace rlq::sim {

class SimFd {
  public:
    SimFd() = default;
    explicit SimFd(int fd) : m_fd(fd) {}
    ~SimFd() { Reset(); }
    SimFd(SimFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    SimFd& operator=(SimFd&& other) noexcept {
        if (this != &other) {
            Reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void Reset() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

  private:
    int m_fd = -1;
};

// True when `fd` is readable within `bound`; false on time-out or when `wakeFd` becomes readable.
inline bool SimWaitReadable(int fd, int wakeFd, std::chrono::milliseconds bound) {
    pollfd entries[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    if (::poll(entries, 2, static_cast<int>(bound.count())) <= 0) {
        return false;
    }
    return (entries[1].revents & POLLIN) == 0 && (entries[0].revents & (POLLIN | POLLHUP)) != 0;
}

}  // namespace rlq::sim
