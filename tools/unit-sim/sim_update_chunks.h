#pragma once
// The main unit's side of the chunked upload: checks each chunk message and reassembles the
// payload from the chunks it accepted.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "firmware/chunk_message.h"

namespace rlq::sim {

// 16-bit sum of the data read as big-endian words, plus the counter, modulo 65536.
std::uint16_t ChunkCheckValue(std::span<const std::uint8_t> data, std::uint16_t counter);

enum class ChunkVerdict { Accepted, Malformed, OutOfSequence, BadCheckValue, BeyondPayload };

class UpdateReassembler {
  public:
    explicit UpdateReassembler(std::size_t payloadSize) : m_payload(payloadSize) {}

    // The counter field of a message, when it is long enough to have one.
    static std::optional<std::uint16_t> CounterOf(std::span<const std::uint8_t> message);

    // Stores the chunk when it is the next one in sequence and intact.
    ChunkVerdict Accept(std::span<const std::uint8_t> message);

    std::size_t AcceptedChunks() const { return m_nextCounter; }
    bool IsComplete() const { return m_nextCounter * kChunkDataSize >= m_payload.size(); }
    // The chunks accepted so far.
    std::vector<std::uint8_t> Payload() const;

  private:
    std::vector<std::uint8_t> m_payload;
    std::size_t m_nextCounter = 0;
};

}  // namespace rlq::sim
