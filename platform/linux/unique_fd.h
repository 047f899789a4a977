#pragma once
// Ownership of a POSIX file descriptor: closed when its owner goes, or at once by Reset().

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string_view>
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

// Writes all `size` bytes through `writeSome(bytes, count)` (a write(2)-like call), going on
// after signals and short writes; false on any other failure.
template <typename WriteSome>
bool WriteFully(const void* data, std::size_t size, WriteSome writeSome) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = writeSome(bytes, size);
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

inline bool WriteAll(int fd, const void* data, std::size_t size) {
    return WriteFully(data, size, [fd](const char* bytes, std::size_t count) {
        return ::write(fd, bytes, count);
    });
}

// The same on a connected socket, whose peer's going away must not end the process by SIGPIPE.
inline bool SendAll(int fd, std::string_view data) {
    return WriteFully(data.data(), data.size(), [fd](const char* bytes, std::size_t count) {
        return ::send(fd, bytes, count, MSG_NOSIGNAL);
    });
}

}  // namespace rlq::platform
