#include "tools/unit-sim/tftp_write_receiver.h"

#include <algorithm>
#include <string_view>

#include "common/big_endian.h"
#include "common/unit_network.h"

namespace rlq::sim {
namespace {

bool NamesTheFile(std::span<const std::uint8_t> request) {
    const auto name = request.subspan(2);
    const auto nameEnd = std::find(name.begin(), name.end(), 0);
    return nameEnd != name.end() &&
           std::string_view(reinterpret_cast<const char*>(name.data()),
                            static_cast<std::size_t>(nameEnd - name.begin())) == kTftpFileName;
}

}  // namespace

TftpPacketOutcome TftpWriteReceiver::Take(std::span<const std::uint8_t> packet) {
    TftpPacketOutcome outcome;
    if (packet.size() < kTftpHeaderSize) {
        return outcome;
    }
    const std::uint16_t opcode = ReadBe16(packet.data());
    if (opcode == kTftpOpcodeWriteRequest) {
        if (!NamesTheFile(packet)) {
            return outcome;
        }
        outcome.kind = TftpPacketKind::WriteRequest;
        m_started = true;
        m_complete = false;
        m_nextBlock = 1;
        m_received.clear();
        outcome.ack = 0;
    } else if (opcode == kTftpOpcodeData && m_started) {
        outcome.kind = TftpPacketKind::Data;
        const std::uint16_t block = ReadBe16(packet.data() + 2);
        if (block == m_nextBlock && !m_complete) {
            const auto data = packet.subspan(kTftpHeaderSize);
            m_received.insert(m_received.end(), data.begin(), data.end());
            ++m_nextBlock;
            m_complete = data.size() < kTftpBlockSize;
            outcome.ack = block;
            outcome.completed = m_complete;
        } else if (block < m_nextBlock) {
            outcome.ack = block;  // a repeat whose acknowledgement was lost
        }
    }
    return outcome;
}

}  // namespace rlq::sim
