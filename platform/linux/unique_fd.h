#pragma once
// Ownership of a POSIX file descriptor: closed when its owner goes, or at once by Reset().

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <utility>

namespace rlq::platform {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

    // Gives up ownership without closing.
    int Release() { return std::exchange(m_fd, -1); }

    // Closes the descriptor held, if any, and owns `fd` from now on.
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

    // Closes now and says whether the close succeeded: for a written file, the last chance to
    // learn that its data did not reach the disk.
    bool Close() {
        const int fd = Release();
        return fd >= 0 && ::close(fd) == 0;
    }

  private:
    int m_fd = -1;
};

// Writes all `size` bytes, going on after signals and short writes; false on any other failure.
inline bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace rlq::platform
