#include "tools/unit-sim/tftp_loader.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/big_endian.h"
#include "tools/unit-sim/sim_payload.h"

namespace rlq::sim {
namespace {

constexpr std::uint16_t kOpcodeWriteRequest = 2;
constexpr std::uint16_t kOpcodeData = 3;
constexpr std::uint16_t kOpcodeAck = 4;
constexpr std::string_view kFileName = "RLQ";
constexpr std::size_t kBlockPayload = 512;
constexpr std::size_t kHeaderLength = 4;
constexpr auto kStopCheck = std::chrono::milliseconds(50);

}  // namespace

TftpLoader::TftpLoader(TftpLoaderConfig config, platform::UdpSocketFactory& sockets)
    : m_config(std::move(config)), m_sockets(sockets), m_armed(m_config.alwaysArmed) {}

TftpLoader::~TftpLoader() {
    Stop();
}

bool TftpLoader::Start() {
    if (m_thread.joinable()) {
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
    if (!m_socket || (m_config.answerFrom && !m_answerSocket)) {
        std::fprintf(stderr, "TFTP loader: cannot bind %s:%u%s\n",
                     FormatIpv4(m_config.address).c_str(), m_config.port,
                     m_socket ? " (or the answering address)" : "");
        m_socket.reset();
        m_answerSocket.reset();
        return false;
    }
    m_stopping.store(false);
    m_thread = std::thread(&TftpLoader::Serve, this);
    return true;
}

void TftpLoader::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    m_stopping.store(true);
    m_thread.join();
    m_socket.reset();
    m_answerSocket.reset();
}

void TftpLoader::Arm() {
    m_armed.store(true);
}

bool TftpLoader::IsArmed() const {
    return m_armed.load();
}

bool TftpLoader::IsComplete() const {
    std::lock_guard lock(m_mutex);
    return m_complete;
}

bool TftpLoader::WaitComplete(std::chrono::milliseconds bound) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, bound, [this] { return m_complete; });
}

std::vector<std::uint8_t> TftpLoader::Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<std::uint8_t> TftpLoader::RecoveredPayload() const {
    return RecoverLoaderPayload(Received());
}

TftpLoaderCounts TftpLoader::Counts() const {
    std::lock_guard lock(m_mutex);
    return m_counts;
}

void TftpLoader::Serve() {
    std::uint8_t buffer[kHeaderLength + kBlockPayload + 64];
    while (!m_stopping.load()) {
        if (!m_socket->WaitReadable(kStopCheck)) {
            continue;
        }
        while (const auto datagram = m_socket->ReceiveFrom(buffer)) {
            if (datagram->length <= sizeof buffer) {
                Handle({buffer, datagram->length}, datagram->from, datagram->fromPort);
            }
        }
    }
}

void TftpLoader::Handle(std::span<const std::uint8_t> packet, Ipv4 from, std::uint16_t fromPort) {
    if (!m_armed.load() || packet.size() < kHeaderLength) {
        return;
    }
    std::optional<std::uint16_t> ack;
    std::string event;
    {
        std::lock_guard lock(m_mutex);
        const std::uint16_t opcode = ReadBe16(packet.data());
        if (opcode == kOpcodeWriteRequest) {
            const auto name = packet.subspan(2);
            const auto nameEnd = std::find(name.begin(), name.end(), 0);
            if (nameEnd == name.end() ||
                std::string_view(reinterpret_cast<const char*>(name.data()),
                                 static_cast<std::size_t>(nameEnd - name.begin())) != kFileName) {
                return;
            }
            ++m_counts.writeRequests;
            m_started = true;
            m_complete = false;
            m_nextBlock = 1;
            m_received.clear();
            ack = 0;
            event = "tftp: write request from " + FormatIpv4(from);
        } else if (opcode == kOpcodeData && m_started) {
            ++m_counts.dataPackets;
            const std::uint16_t block = ReadBe16(packet.data() + 2);
            if (block == m_nextBlock && !m_complete) {
                const auto data = packet.subspan(kHeaderLength);
                m_received.insert(m_received.end(), data.begin(), data.end());
                ++m_nextBlock;
                m_complete = data.size() < kBlockPayload;
                ack = block;
                if (m_complete) {
                    event =
                        "tftp: transfer complete, " + std::to_string(m_received.size()) + " bytes";
                }
            } else if (block < m_nextBlock) {
                ack = block;  // a repeat whose acknowledgement was lost
            }
        }
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
    if (m_config.ackDelay.count() > 0) {
        std::this_thread::sleep_for(m_config.ackDelay);
    }
    std::uint8_t ack[kHeaderLength];
    WriteBe16(ack, kOpcodeAck);
    WriteBe16(ack + 2, block);
    platform::UdpSocket& socket = m_answerSocket ? *m_answerSocket : *m_socket;
    const int copies = m_config.duplicateAcks ? 2 : 1;
    for (int i = 0; i < copies; ++i) {
        if (socket.SendTo(ack, to, port) == static_cast<long>(sizeof ack)) {
            std::lock_guard lock(m_mutex);
            ++m_counts.acksSent;
        }
    }
}

}  // namespace rlq::sim
