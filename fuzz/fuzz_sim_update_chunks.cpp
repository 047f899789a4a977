// The simulated main unit's chunk reassembly, fed a sequence of chunk messages. Each message is
// taken from the input and then, as its control byte says, brought to full length, given the
// marks, the expected counter or the right check value, so that the fuzzer also reaches the
// chunks that are accepted.

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "common/big_endian.h"
#include "firmware/chunk_message.h"
#include "fuzz/fuzz_check.h"
#include "tools/unit-sim/sim_update_chunks.h"

namespace {

using rlq::kChunkDataSize;
using rlq::kChunkHeaderSize;
using rlq::kChunkMessageSize;
using rlq::sim::ChunkVerdict;

constexpr std::size_t kMaxPayload = 4 * kChunkDataSize + kChunkDataSize / 2;

enum Control : std::uint8_t {
    kFullLength = 0x01,
    kMarks = 0x02,
    kExpectedCounter = 0x04,
    kRightCheckValue = 0x08,
};

std::vector<std::uint8_t> NextMessage(FuzzedDataProvider& input, std::size_t expectedCounter) {
    const auto control = input.ConsumeIntegral<std::uint8_t>();
    const std::size_t length =
        (control & kFullLength) != 0
            ? kChunkMessageSize
            : input.ConsumeIntegralInRange<std::size_t>(0, kChunkMessageSize + 2);
    const auto fill = input.ConsumeIntegral<std::uint8_t>();
    std::vector<std::uint8_t> message = input.ConsumeBytes<std::uint8_t>(length);
    message.resize(length, fill);
    if (length < kChunkHeaderSize) {
        return message;
    }
    if ((control & kMarks) != 0) {
        message[0] = 0xAA;
        message[1] = 0x99;
    }
    if ((control & kExpectedCounter) != 0) {
        rlq::WriteBe16(&message[2], static_cast<std::uint16_t>(expectedCounter));
    }
    if ((control & kRightCheckValue) != 0) {
        const std::span<const std::uint8_t> data(message.begin() + kChunkHeaderSize, message.end());
        rlq::WriteBe16(&message[4], rlq::sim::ChunkCheckValue(data, rlq::ReadBe16(&message[2])));
    }
    return message;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::size_t payloadSize = input.ConsumeIntegralInRange<std::size_t>(0, kMaxPayload);
    rlq::sim::UpdateReassembler reassembler(payloadSize);
    std::vector<std::uint8_t> accepted;

    while (input.remaining_bytes() > 0) {
        const std::size_t next = reassembler.AcceptedChunks();
        const std::vector<std::uint8_t> message = NextMessage(input, next);

        const auto counter = rlq::sim::UpdateReassembler::CounterOf(message);
        FUZZ_CHECK(counter.has_value() == (message.size() >= 4));
        if (counter) {
            FUZZ_CHECK(*counter == rlq::ReadBe16(&message[2]));
        }

        const ChunkVerdict verdict = reassembler.Accept(message);
        const bool intact = message.size() == kChunkMessageSize && message[0] == rlq::kChunkMark1 &&
                            message[1] == rlq::kChunkMark2 && *counter == next;
        if (intact) {
            // The check value is the updater's word sum of the data plus the counter.
            const std::span<const std::uint8_t> chunk(message.begin() + kChunkHeaderSize,
                                                      message.end());
            const auto sum = static_cast<std::uint16_t>(rlq::WordSum(chunk) + *counter);
            FUZZ_CHECK(rlq::sim::ChunkCheckValue(chunk, *counter) == sum);
            const bool fits = (next + 1) * kChunkDataSize <= payloadSize;
            const bool checks = rlq::ReadBe16(&message[4]) == sum;
            FUZZ_CHECK((verdict == ChunkVerdict::Accepted) == (checks && fits));
            FUZZ_CHECK(checks || verdict == ChunkVerdict::BadCheckValue);
            if (verdict == ChunkVerdict::Accepted) {
                accepted.insert(accepted.end(), chunk.begin(), chunk.end());
            }
        } else {
            FUZZ_CHECK(verdict == ChunkVerdict::Malformed ||
                       verdict == ChunkVerdict::OutOfSequence);
        }
        FUZZ_CHECK(reassembler.AcceptedChunks() ==
                   next + (verdict == ChunkVerdict::Accepted ? 1 : 0));
    }

    FUZZ_CHECK(reassembler.Payload() == accepted);
    FUZZ_CHECK(reassembler.IsComplete() == (accepted.size() >= payloadSize));
    return 0;
}
