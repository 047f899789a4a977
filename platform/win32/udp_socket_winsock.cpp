// Winsock UDP sockets. Winsock use must have been started for the process (StartSockets).

#include <winsock2.h>

#include <ws2tcpip.h>

#include <mswsock.h>

#include "platform/udp_socket.h"
#include "platform/win32/system_error_text.h"

namespace rlq::platform {
namespace {

class WinsockUdpSocket final : public UdpSocket {
  public:
    explicit WinsockUdpSocket(SOCKET socket) : m_socket(socket) {}
    ~WinsockUdpSocket() override { ::closesocket(m_socket); }
    WinsockUdpSocket(const WinsockUdpSocket&) = delete;
    WinsockUdpSocket& operator=(const WinsockUdpSocket&) = delete;

    SendResult SendTo(std::span<const std::uint8_t> data, Ipv4 to, std::uint16_t port) override {
        sockaddr_in dest{};
        dest.sin_family = AF_INET;
        dest.sin_port = ::htons(port);
        dest.sin_addr.s_addr = ::htonl(to.HostOrder());
        const int sent = ::sendto(m_socket, reinterpret_cast<const char*>(data.data()),
                                  static_cast<int>(data.size()), 0,
                                  reinterpret_cast<sockaddr*>(&dest), sizeof dest);
        if (sent == SOCKET_ERROR) {
            const int error = ::WSAGetLastError();
            return {-1, {error, win32::SystemErrorText(static_cast<DWORD>(error))}};
        }
        return {sent, {}};
    }

    std::optional<Datagram> ReceiveFrom(std::span<std::uint8_t> buffer) override {
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int got = ::recvfrom(m_socket, reinterpret_cast<char*>(buffer.data()),
                                   static_cast<int>(buffer.size()), 0,
                                   reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got != SOCKET_ERROR) {
            return Datagram{static_cast<std::size_t>(got), Ipv4{::ntohl(from.sin_addr.s_addr)},
                            ::ntohs(from.sin_port)};
        }
        if (::WSAGetLastError() == WSAEMSGSIZE) {
            // Winsock does not tell the true length of a cut datagram; longer than the buffer
            // is what matters, so that it is recognised and ignored, not read as a prefix.
            return Datagram{buffer.size() + 1, Ipv4{::ntohl(from.sin_addr.s_addr)},
                            ::ntohs(from.sin_port)};
        }
        return std::nullopt;
    }

    bool WaitReadable(std::chrono::milliseconds bound) override {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        const long milliseconds = static_cast<long>(bound.count() < 0 ? 0 : bound.count());
        timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
        return ::select(0, &readable, nullptr, nullptr, &timeout) > 0;
    }

  private:
    SOCKET m_socket;
};

bool SetOption(SOCKET socket, int level, int name, DWORD value) {
    return ::setsockopt(socket, level, name, reinterpret_cast<const char*>(&value), sizeof value) ==
           0;
}

class WinsockUdpSocketFactory final : public UdpSocketFactory {
  public:
    std::unique_ptr<UdpSocket> Open(const UdpOptions& options) override {
        const SOCKET raw = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (raw == INVALID_SOCKET) {
            return nullptr;
        }
        auto socket = std::make_unique<WinsockUdpSocket>(raw);
        u_long nonBlocking = 1;
        if (::ioctlsocket(raw, FIONBIO, &nonBlocking) != 0) {
            return nullptr;
        }
        // An ICMP port-unreachable for an earlier send would otherwise fail the next receive
        // with WSAECONNRESET; a datagram socket here never cares. Best effort.
        BOOL reportReset = FALSE;
        DWORD ignored = 0;
        ::WSAIoctl(raw, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &ignored,
                   nullptr, nullptr);
        if (options.bindAddress || options.bindPort != 0) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_port = ::htons(options.bindPort);
            local.sin_addr.s_addr = ::htonl(options.bindAddress.value_or(Ipv4{}).HostOrder());
            if (::bind(raw, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
                return nullptr;
            }
        }
        if (options.broadcast && !SetOption(raw, SOL_SOCKET, SO_BROADCAST, 1)) {
            return nullptr;
        }
        if (options.dontRoute && !SetOption(raw, SOL_SOCKET, SO_DONTROUTE, 1)) {
            return nullptr;
        }
        if (options.clearDontFragment && !SetOption(raw, IPPROTO_IP, IP_DONTFRAGMENT, 0)) {
            return nullptr;
        }
        return socket;
    }
};

}  // namespace

UdpSocketFactory& SystemUdpSockets() {
    static WinsockUdpSocketFactory factory;
    return factory;
}

}  // namespace rlq::platform
