#pragma once
// IPv4 UDP sockets: the few operations the discovery and the TFTP client need, no OS types.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "common/ipv4.h"
#include "platform/system_error.h"

namespace rlq::platform {

struct UdpOptions {
    std::optional<Ipv4> bindAddress;  // unbound when empty: the system picks address and port
    std::uint16_t bindPort = 0;
    bool broadcast = false;          // SO_BROADCAST
    bool dontRoute = false;          // SO_DONTROUTE
    bool clearDontFragment = false;  // don't-fragment off where the platform has the option
};

struct Datagram {
    std::size_t length;  // the datagram's true length, even when longer than the buffer
    Ipv4 from;
    std::uint16_t fromPort;
};

// What a send did: the bytes the system reports sent, or -1 with the system's reason.
struct SendResult {
    long sent = -1;
    SystemError refusal;  // code 0 unless sent is -1
};

// A non-blocking IPv4 UDP socket; closed when destroyed.
class UdpSocket {
  public:
    virtual ~UdpSocket() = default;

    virtual SendResult SendTo(std::span<const std::uint8_t> data, Ipv4 to, std::uint16_t port) = 0;

    // Reads one waiting datagram into `buffer` without blocking; nullopt when none is waiting.
    virtual std::optional<Datagram> ReceiveFrom(std::span<std::uint8_t> buffer) = 0;

    // Blocks until a datagram is waiting or `bound` has passed; true when one is waiting.
    virtual bool WaitReadable(std::chrono::milliseconds bound) = 0;
};

class UdpSocketFactory {
  public:
    virtual ~UdpSocketFactory() = default;
    // Null when the socket cannot be created, bound or set up.
    virtual std::unique_ptr<UdpSocket> Open(const UdpOptions& options) = 0;
};

// The system's sockets (POSIX or Winsock, chosen at build time).
UdpSocketFactory& SystemUdpSockets();

}  // namespace rlq::platform
