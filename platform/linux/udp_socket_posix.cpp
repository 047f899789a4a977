#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/unique_fd.h"
#include "platform/udp_socket.h"

namespace rlq::platform {
namespace {

class PosixUdpSocket final : public UdpSocket {
  public:
    explicit PosixUdpSocket(UniqueFd fd) : m_fd(std::move(fd)) {}

    SendResult SendTo(std::span<const std::uint8_t> data, Ipv4 to, std::uint16_t port) override {
        sockaddr_in dest{};
        dest.sin_family = AF_INET;
        dest.sin_port = htons(port);
        dest.sin_addr.s_addr = htonl(to.HostOrder());
        ssize_t sent;
        do {
            sent = ::sendto(m_fd.Get(), data.data(), data.size(), 0,
                            reinterpret_cast<sockaddr*>(&dest), sizeof dest);
        } while (sent < 0 && errno == EINTR);
        if (sent < 0) {
            const int error = errno;
            return {-1, {error, std::strerror(error)}};
        }
        return {static_cast<long>(sent), {}};
    }

    std::optional<Datagram> ReceiveFrom(std::span<std::uint8_t> buffer) override {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        // MSG_TRUNC makes the call return the datagram's real length, so an oversized one is
        // recognised instead of being read as a valid prefix.
        ssize_t got;
        do {
            got = ::recvfrom(m_fd.Get(), buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                             reinterpret_cast<sockaddr*>(&from), &fromLength);
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            return std::nullopt;
        }
        return Datagram{static_cast<std::size_t>(got), Ipv4{ntohl(from.sin_addr.s_addr)},
                        ntohs(from.sin_port)};
    }

    bool WaitReadable(std::chrono::milliseconds bound) override {
        pollfd entry{m_fd.Get(), POLLIN, 0};
        const int result = ::poll(&entry, 1, static_cast<int>(bound.count()));
        return result > 0 && (entry.revents & POLLIN) != 0;
    }

  private:
    UniqueFd m_fd;
};

class PosixUdpSocketFactory final : public UdpSocketFactory {
  public:
    std::unique_ptr<UdpSocket> Open(const UdpOptions& options) override {
        UniqueFd owned(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!owned) {
            return nullptr;
        }
        const int fd = owned.Get();
        auto socket = std::make_unique<PosixUdpSocket>(std::move(owned));
        const int one = 1;
        if (options.bindAddress || options.bindPort != 0) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_port = htons(options.bindPort);
            local.sin_addr.s_addr = htonl(options.bindAddress.value_or(Ipv4{}).HostOrder());
            if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
                return nullptr;
            }
        }
        if (options.broadcast &&
            ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0) {
            return nullptr;
        }
        if (options.dontRoute &&
            ::setsockopt(fd, SOL_SOCKET, SO_DONTROUTE, &one, sizeof one) != 0) {
            return nullptr;
        }
        if (options.clearDontFragment) {
            const int dont = IP_PMTUDISC_DONT;
            if (::setsockopt(fd, IPPROTO_IP, IP_MTU_DISCOVER, &dont, sizeof dont) != 0) {
                return nullptr;
            }
        }
        return socket;
    }
};

}  // namespace

UdpSocketFactory& SystemUdpSockets() {
    static PosixUdpSocketFactory factory;
    return factory;
}

}  // namespace rlq::platform
