// The probes on Linux: /proc/net for ports, netlink for routes, and a packet socket for what
// arrives at the adapters (it sees a datagram before netfilter's input hook does).

#include <arpa/inet.h>
#include <dirent.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <iterator>
#include <optional>

#include "common/free_with.h"
#include "platform/linux/netlink_host_parts.h"
#include "platform/linux/proc_net_tables.h"
#include "platform/linux/socket_owner.h"
#include "platform/linux/unique_fd.h"
#include "platform/search_probes.h"

namespace rlq::platform {
namespace {

constexpr std::size_t kCapturedBytes = 64;  // an IPv4 header with options and the UDP header

class PacketArrivals final : public ArrivalCapture {
  public:
    PacketArrivals(UniqueFd fd, std::uint16_t port) : m_fd(std::move(fd)), m_port(port) {}

    std::vector<Ipv4> TakeSenders() override {
        std::vector<Ipv4> senders;
        std::array<std::uint8_t, kCapturedBytes> packet{};
        for (;;) {
            sockaddr_ll from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(m_fd.Get(), packet.data(), packet.size(), MSG_DONTWAIT,
                                           reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return senders;
            }
            if (const auto sender = SenderOf(packet, static_cast<std::size_t>(got), from)) {
                senders.push_back(*sender);
            }
        }
    }

  private:
    // The filter already chose; this checks again what arrived before it was attached.
    std::optional<Ipv4> SenderOf(const std::array<std::uint8_t, kCapturedBytes>& packet,
                                 std::size_t length, const sockaddr_ll& from) const {
        if (from.sll_pkttype == PACKET_OUTGOING || from.sll_hatype == ARPHRD_LOOPBACK ||
            length < 20 || (packet[0] >> 4) != 4 || packet[9] != IPPROTO_UDP) {
            return std::nullopt;
        }
        const std::size_t udp = (packet[0] & 0x0F) * 4u;
        if (udp + 4 > length || ((packet[udp + 2] << 8) | packet[udp + 3]) != m_port) {
            return std::nullopt;
        }
        return MakeIpv4(packet[12], packet[13], packet[14], packet[15]);
    }

    UniqueFd m_fd;
    std::uint16_t m_port;
};

// Classic BPF over the IPv4 header (a datagram socket's packets start there): UDP, first
// fragment, destination port `port`.
std::array<sock_filter, 9> UdpPortFilter(std::uint16_t port) {
    return {{
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, 9),                   // 0: protocol
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, IPPROTO_UDP, 0, 6),  // 1: else 8
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 6),                   // 2: flags and fragment offset
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, 0x1FFF, 4, 0),      // 3: a later fragment: 8
        BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),                  // 4: X = header length
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 2),                   // 5: destination port
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, port, 0, 1),         // 6: else 8
        BPF_STMT(BPF_RET | BPF_K, kCapturedBytes),               // 7: take
        BPF_STMT(BPF_RET | BPF_K, 0),                            // 8: leave
    }};
}

// The process holding the socket, where this process may look into it.
UdpPortHolder HolderOfSocket(unsigned long inode) {
    return OwnerOfSocket(inode).value_or(UdpPortHolder{});
}

class LinuxSearchProbes final : public SearchProbes {
  public:
    std::unique_ptr<ArrivalCapture> CaptureUdpArrivals(std::uint16_t port) override {
        // Bound to the protocol only once the filter is on, so nothing unfiltered queues.
        UniqueFd fd(::socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!fd) {
            return nullptr;  // needs CAP_NET_RAW
        }
        std::array<sock_filter, 9> filter = UdpPortFilter(port);
        const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
        sockaddr_ll bound{};
        bound.sll_family = AF_PACKET;
        bound.sll_protocol = htons(ETH_P_IP);
        if (::setsockopt(fd.Get(), SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) != 0 ||
            ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0) {
            return nullptr;
        }
        return std::make_unique<PacketArrivals>(std::move(fd), port);
    }

    std::vector<UdpPortHolder> UdpPortHolders(std::uint16_t port) override {
        std::vector<UdpPortHolder> holders;
        for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
            for (unsigned long inode :
                 proc_net::UdpInodesOnPort(proc_net::ReadTable(table), port)) {
                holders.push_back(HolderOfSocket(inode));
            }
        }
        return holders;
    }

    std::vector<RouteRow> Ipv4Routes() override { return netlink::ReadIpv4Routes(); }

    // No firewall here keeps settings to point the user at; the capture shows what one dropped.
    std::optional<FirewallState> Firewall(std::uint16_t) override { return std::nullopt; }
};

}  // namespace

SearchProbes& SystemSearchProbes() {
    static LinuxSearchProbes probes;
    return probes;
}

}  // namespace rlq::platform
