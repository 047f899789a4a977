#include "tools/unit-sim/discovery_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/unit_network.h"
#include "tools/unit-sim/poll_readable.h"
#include "tools/unit-sim/sim_log.h"

namespace rlq::sim {
namespace {

bool Reaches(const UnitConfig& unit, Ipv4 to) {
    const Ipv4 broadcast = unit.address | ~PrefixMask(static_cast<unsigned>(unit.prefixLength));
    return to == Ipv4{0xFFFFFFFFu} || to == broadcast || to == unit.address;
}

std::vector<std::uint8_t> BuildReply(std::uint8_t kind, std::uint16_t version,
                                     std::uint16_t format = kDiscoveryFormatVersion) {
    std::vector<std::uint8_t> reply(kDiscoveryMagic.begin(), kDiscoveryMagic.end());
    reply.push_back(static_cast<std::uint8_t>(format >> 8));
    reply.push_back(static_cast<std::uint8_t>(format));
    reply.push_back(kind);
    reply.push_back(static_cast<std::uint8_t>(version >> 8));
    reply.push_back(static_cast<std::uint8_t>(version));
    reply.resize(kDiscoveryDatagramSize, 0);
    return reply;
}

std::vector<std::uint8_t> FaultyDatagram(const UnitConfig& unit, FaultyReply fault) {
    std::vector<std::uint8_t> reply = BuildReply(unit.kind, unit.version);
    switch (fault) {
        case FaultyReply::WrongKind:
            return BuildReply(kUnitKindChild, unit.version);
        case FaultyReply::Oversized:
            reply.push_back(0);
            return reply;
        case FaultyReply::Undersized:
            reply.pop_back();
            return reply;
        case FaultyReply::BadFormat:
            return BuildReply(unit.kind, unit.version, kDiscoveryFormatVersion + 1);
    }
    return reply;
}

std::string ReplyShape(std::uint8_t kind, std::uint16_t format) {
    char text[32];
    std::snprintf(text, sizeof text, "format %04x kind %02x", format, kind);
    return text;
}

std::string VersionText(std::uint16_t version) {
    char text[8];
    std::snprintf(text, sizeof text, "%x.%02x", version >> 8, version & 0xFF);
    return text;
}

}  // namespace

DiscoveryResponder::~DiscoveryResponder() {
    Stop();
}

bool DiscoveryResponder::Start() {
    if (m_serving.Running()) {
        return false;
    }
    m_fd.Reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const int one = 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kDiscoveryRequestPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!m_fd || ::setsockopt(m_fd.Get(), IPPROTO_IP, IP_PKTINFO, &one, sizeof one) != 0 ||
        ::bind(m_fd.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "discovery responder: cannot listen on UDP %u: %s\n",
                     kDiscoveryRequestPort, std::strerror(errno));
        return false;
    }
    m_started = std::chrono::steady_clock::now();
    m_serving.Start([this] { Serve(); });
    return true;
}

void DiscoveryResponder::Stop() {
    m_serving.Stop();
    m_fd.Reset();
}

void DiscoveryResponder::Serve() {
    const auto readable = [this](std::chrono::milliseconds slice) {
        return PollReadable(m_fd.Get(), slice);
    };
    while (m_serving.Await(readable)) {
        std::uint8_t buffer[64];
        sockaddr_in from{};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
        iovec vector{buffer, sizeof buffer};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t got = ::recvmsg(m_fd.Get(), &message, MSG_DONTWAIT);
        if (got < 0) {
            continue;
        }
        Ipv4 to;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                to = Ipv4{ntohl(info.ipi_addr.s_addr)};
            }
        }
        Answer(buffer, static_cast<std::size_t>(got), Ipv4{ntohl(from.sin_addr.s_addr)},
               ntohs(from.sin_port), to);
    }
}

void DiscoveryResponder::Answer(const std::uint8_t* request, std::size_t length, Ipv4 from,
                                std::uint16_t fromPort, Ipv4 to) {
    if (length != kDiscoveryDatagramSize ||
        std::memcmp(request, kDiscoveryMagic.data(), kDiscoveryMagic.size()) != 0) {
        LogLine("discovery: ignored " + std::to_string(length) + "-byte datagram from " +
                FormatIpv4(from));
        return;
    }
    const std::uint8_t wanted = request[7];
    LogLine("discovery request from " + FormatIpv4(from) + ":" + std::to_string(fromPort) + " to " +
            FormatIpv4(to) + " wanted " + std::to_string(wanted));
    UnitConfig units[2];
    {
        std::lock_guard lock(m_unitsLock);
        units[0] = m_units[0];
        units[1] = m_units[1];
    }
    const auto sinceStart = std::chrono::steady_clock::now() - m_started;
    for (const UnitConfig& unit : units) {
        for (int i = 0; i < unit.unwantedReplies; ++i) {
            SendReply(unit, from, BuildReply(unit.kind, unit.version));
        }
        if (sinceStart < std::chrono::milliseconds(unit.answersAfterMs)) {
            LogLine(std::string("discovery: ") + unit.label + " unit still starting");
            continue;
        }
        if (unit.silent || (wanted != 0 && wanted != unit.wantedCode) || !Reaches(unit, to)) {
            continue;
        }
        for (FaultyReply fault : unit.sendFirst) {
            SendReply(unit, from, FaultyDatagram(unit, fault));
        }
        for (int i = 0; i < m_junkCount; ++i) {
            // Junk of every length up to 32 bytes, half of it starting like a reply.
            std::vector<std::uint8_t> junk(1 + m_random() % 32);
            for (std::uint8_t& byte : junk) {
                byte = static_cast<std::uint8_t>(m_random());
            }
            if (i % 2 == 0 && junk.size() >= kDiscoveryMagic.size()) {
                std::memcpy(junk.data(), kDiscoveryMagic.data(), kDiscoveryMagic.size());
            }
            SendReply(unit, from, junk);
        }
        if (m_dropPercent > 0 && static_cast<int>(m_random() % 100) < m_dropPercent) {
            LogLine(std::string("discovery reply ") + unit.label + " lost");
            continue;
        }
        const std::uint8_t kind = unit.replyKind.value_or(unit.kind);
        const std::uint16_t format = unit.replyFormat.value_or(kDiscoveryFormatVersion);
        SendReply(unit, from, BuildReply(kind, unit.version, format));
        LogLine(
            std::string("discovery reply ") + unit.label + " from " + FormatIpv4(unit.address) +
            " to " + FormatIpv4(from) + " version " + VersionText(unit.version) +
            (unit.replyFormat || unit.replyKind ? ", foreign: " + ReplyShape(kind, format) : ""));
    }
}

void DiscoveryResponder::SetVersion(int unit, std::uint16_t version) {
    std::lock_guard lock(m_unitsLock);
    m_units[unit].version = version;
    LogLine(std::string(m_units[unit].label) + " unit now reports version " + VersionText(version));
}

// Sent from the listening socket with the unit's own address as source.
void DiscoveryResponder::SendReply(const UnitConfig& unit, Ipv4 to,
                                   const std::vector<std::uint8_t>& datagram) {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(kDiscoveryReplyPort);
    destination.sin_addr.s_addr = htonl(to.HostOrder());
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    iovec vector{const_cast<std::uint8_t*>(datagram.data()), datagram.size()};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&message);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(unit.address.HostOrder());
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    if (::sendmsg(m_fd.Get(), &message, 0) < 0) {
        std::fprintf(stderr, "discovery responder: send to %s failed: %s\n", FormatIpv4(to).c_str(),
                     std::strerror(errno));
    }
}

}  // namespace rlq::sim
