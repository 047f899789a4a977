#include "tools/unit-sim/tftp_loader.h"

#include <cstdio>
#include <string>
#include <thread>

#include "common/big_endian.h"
#include "tools/unit-sim/sim_payload.h"

namespace rlq::sim {

TftpLoader::TftpLoader(TftpLoaderConfig config, platform::UdpSocketFactory& sockets)
    : m_config(std::move(config)), m_sockets(sockets), m_armed(m_config.alwaysArmed) {}

TftpLoader::~TftpLoader() {
    Stop();
}

bool TftpLoader::Start() {
    if (m_serving.Running()) {
        return false;
    }
    platform::UdpOptions options;
    options.bindAddress = m_config.address;
    options.bindPort = m_config.port;
    m_socket = m_sockets.Open(options);
    if (m_config.answerFrom) {
        platform::UdpOptions answer;
        answer.bindAddress = *m_config.answerFrom;
        m_answerSocket = m_sockets.Open(answer);
    }
    if (m_config.spoofFrom) {
        platform::UdpOptions spoof;
        spoof.bindAddress = *m_config.spoofFrom;
        m_spoofSocket = m_sockets.Open(spoof);
    }
    if (!m_socket || (m_config.answerFrom && !m_answerSocket) ||
        (m_config.spoofFrom && !m_spoofSocket)) {
        std::fprintf(stderr, "TFTP loader: cannot bind %s:%u%s\n",
                     FormatIpv4(m_config.address).c_str(), m_config.port,
                     m_socket ? " (or the answering address)" : "");
        m_socket.reset();
        m_answerSocket.reset();
        m_spoofSocket.reset();
        return false;
    }
    m_serving.Start([this] { Serve(); });
    return true;
}

void TftpLoader::Stop() {
    m_serving.Stop();
    m_socket.reset();
    m_answerSocket.reset();
    m_spoofSocket.reset();
}

void TftpLoader::Arm() {
    m_armed.store(true);
}

bool TftpLoader::IsArmed() const {
    return m_armed.load();
}

bool TftpLoader::IsComplete() const {
    std::lock_guard lock(m_mutex);
    return m_receiver.IsComplete();
}

bool TftpLoader::WaitComplete(std::chrono::milliseconds bound) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, bound, [this] { return m_receiver.IsComplete(); });
}

std::vector<std::uint8_t> TftpLoader::Received() const {
    std::lock_guard lock(m_mutex);
    return m_receiver.Received();
}

std::vector<std::uint8_t> TftpLoader::RecoveredPayload() const {
    return RecoverLoaderPayload(Received());
}

TftpLoaderCounts TftpLoader::Counts() const {
    std::lock_guard lock(m_mutex);
    return m_counts;
}

void TftpLoader::Serve() {
    std::uint8_t buffer[kTftpHeaderSize + kTftpBlockSize + 64];
    const auto readable = [this](std::chrono::milliseconds slice) {
        return m_socket->WaitReadable(slice);
    };
    while (m_serving.Await(readable)) {
        while (const auto datagram = m_socket->ReceiveFrom(buffer)) {
            if (datagram->length <= sizeof buffer) {
                Handle({buffer, datagram->length}, datagram->from, datagram->fromPort);
            }
        }
    }
}

void TftpLoader::Handle(std::span<const std::uint8_t> packet, Ipv4 from, std::uint16_t fromPort) {
    if (!m_armed.load()) {
        return;
    }
    std::optional<std::uint16_t> ack;
    std::string event;
    {
        std::lock_guard lock(m_mutex);
        const TftpPacketOutcome outcome = m_receiver.Take(packet);
        if (outcome.kind == TftpPacketKind::WriteRequest) {
            ++m_counts.writeRequests;
            event = "tftp: write request from " + FormatIpv4(from);
        } else if (outcome.kind == TftpPacketKind::Data) {
            ++m_counts.dataPackets;
        }
        if (outcome.completed) {
            event = "tftp: transfer complete, " + std::to_string(m_receiver.Received().size()) +
                    " bytes";
        }
        ack = outcome.ack;
        if (ack && m_config.dropFirstAckOf.contains(*ack) && m_dropped.insert(*ack).second) {
            ++m_counts.acksDropped;
            ack.reset();
        }
    }
    m_changed.notify_all();
    if (!event.empty() && m_config.log) {
        m_config.log(event);
    }
    if (ack && !m_config.neverAnswer) {
        SendAck(*ack, from, fromPort);
    }
}

void TftpLoader::SendAck(std::uint16_t block, Ipv4 to, std::uint16_t port) {
    if (m_config.ackDelay.count() > 0 && m_acksDelayed < m_config.delayedAcks) {
        ++m_acksDelayed;
        std::this_thread::sleep_for(m_config.ackDelay);
    }
    platform::UdpSocket& socket = m_answerSocket ? *m_answerSocket : *m_socket;
    for (int i = 0; i < m_config.junkPerAck; ++i) {
        std::uint8_t junk[40];
        const std::size_t length = 1 + m_random() % sizeof junk;
        for (std::size_t j = 0; j < length; ++j) {
            junk[j] = static_cast<std::uint8_t>(m_random());
        }
        junk[0] = 0;  // many look like TFTP packets: opcode 4 with a random block
        socket.SendTo(std::span<const std::uint8_t>(junk, length), to, port);
    }
    if (m_config.dropPercent > 0 && static_cast<int>(m_random() % 100) < m_config.dropPercent) {
        std::lock_guard lock(m_mutex);
        ++m_counts.acksDropped;
        return;
    }
    std::uint8_t ack[kTftpHeaderSize];
    WriteBe16(ack, kTftpOpcodeAck);
    if (m_spoofSocket) {
        WriteBe16(ack + 2, static_cast<std::uint16_t>(block + 1));
        m_spoofSocket->SendTo(ack, to, port);
    }
    WriteBe16(ack + 2, block);
    const int copies = m_config.duplicateAcks ? 2 : 1;
    for (int i = 0; i < copies; ++i) {
        if (socket.SendTo(ack, to, port).sent == static_cast<long>(sizeof ack)) {
            std::lock_guard lock(m_mutex);
            ++m_counts.acksSent;
        }
    }
}

}  // namespace rlq::sim
