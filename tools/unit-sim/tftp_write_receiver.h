#pragma once
// The loader's side of one TFTP write, without sockets: which packet opens or continues the
// transfer, what it answers, and the bytes received so far.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace rlq::sim {

enum class TftpPacketKind {
    Ignored,       // too short, unknown opcode, another file name, or data before any request
    WriteRequest,  // a write request for "RLQ": the transfer starts over
    Data,          // a data packet of the open transfer, in sequence or not
};

struct TftpPacketOutcome {
    TftpPacketKind kind = TftpPacketKind::Ignored;
    std::optional<std::uint16_t> ack;  // the block number to acknowledge
    bool completed = false;            // this packet's short block ended the transfer
};

class TftpWriteReceiver {
  public:
    TftpPacketOutcome Take(std::span<const std::uint8_t> packet);

    bool IsComplete() const { return m_complete; }
    const std::vector<std::uint8_t>& Received() const { return m_received; }

  private:
    bool m_started = false;  // a write request opened the transfer
    bool m_complete = false;
    std::uint16_t m_nextBlock = 1;
    std::vector<std::uint8_t> m_received;
};

}  // namespace rlq::sim
