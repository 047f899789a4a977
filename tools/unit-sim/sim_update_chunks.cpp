#include "tools/unit-sim/sim_update_chunks.h"

#include <algorithm>

#include "common/big_endian.h"

namespace rlq::sim {

// Computed apart from the updater's checksum on purpose, so that the simulator checks it.
std::uint16_t ChunkCheckValue(std::span<const std::uint8_t> data, std::uint16_t counter) {
    std::uint32_t sum = counter;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        sum += ReadBe16(data.data() + i);
    }
    return static_cast<std::uint16_t>(sum);
}

std::optional<std::uint16_t> UpdateReassembler::CounterOf(std::span<const std::uint8_t> message) {
    if (message.size() < 4) {
        return std::nullopt;
    }
    return ReadBe16(message.data() + 2);
}

ChunkVerdict UpdateReassembler::Accept(std::span<const std::uint8_t> message) {
    if (message.size() != kChunkMessageSize || message[0] != kChunkMark1 ||
        message[1] != kChunkMark2) {
        return ChunkVerdict::Malformed;
    }
    const std::uint16_t counter = ReadBe16(message.data() + 2);
    if (counter != m_nextCounter) {
        return ChunkVerdict::OutOfSequence;
    }
    const auto data = message.subspan(kChunkHeaderSize);
    if (ReadBe16(message.data() + 4) != ChunkCheckValue(data, counter)) {
        return ChunkVerdict::BadCheckValue;
    }
    const std::size_t offset = m_nextCounter * kChunkDataSize;
    if (offset + kChunkDataSize > m_payload.size()) {
        return ChunkVerdict::BeyondPayload;
    }
    std::copy(data.begin(), data.end(), m_payload.begin() + static_cast<std::ptrdiff_t>(offset));
    ++m_nextCounter;
    return ChunkVerdict::Accepted;
}

std::vector<std::uint8_t> UpdateReassembler::Payload() const {
    const std::size_t size = std::min(m_nextCounter * kChunkDataSize, m_payload.size());
    return {m_payload.begin(), m_payload.begin() + static_cast<std::ptrdiff_t>(size)};
}

}  // namespace rlq::sim
