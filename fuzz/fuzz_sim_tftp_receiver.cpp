// The simulated loader's TFTP write handling, fed a sequence of packets of up to what its receive
// buffer holds. As each packet's control byte says, it is turned into the write request, into
// a data packet of the next block, or given a full 512-byte block, so that transfers get far.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

#include "common/big_endian.h"
#include "fuzz/fuzz_check.h"
#include "tools/unit-sim/tftp_write_receiver.h"

namespace {

using rlq::sim::TftpPacketKind;

constexpr std::size_t kMaxPacket = 4 + 512 + 64;
constexpr std::uint8_t kWriteRequest[] = "\0\2RLQ\0netascii";

enum Control : std::uint8_t {
    kMakeWriteRequest = 0x01,
    kMakeData = 0x02,
    kFullBlock = 0x04,
};

std::vector<std::uint8_t> NextPacket(FuzzedDataProvider& input, std::uint16_t nextBlock) {
    const auto control = input.ConsumeIntegral<std::uint8_t>();
    if ((control & kMakeWriteRequest) != 0) {
        return {std::begin(kWriteRequest), std::end(kWriteRequest)};
    }
    const std::size_t length = (control & kFullBlock) != 0
                                   ? 4 + 512
                                   : input.ConsumeIntegralInRange<std::size_t>(0, kMaxPacket);
    std::vector<std::uint8_t> packet = input.ConsumeBytes<std::uint8_t>(length);
    packet.resize(length, static_cast<std::uint8_t>(control));
    if ((control & kMakeData) != 0 && length >= 4) {
        rlq::WriteBe16(&packet[0], 3);
        // The high bits pick the expected block, the one before it, or one further on.
        rlq::WriteBe16(&packet[2], static_cast<std::uint16_t>(nextBlock + (control >> 6) - 1));
    }
    return packet;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    rlq::sim::TftpWriteReceiver receiver;
    bool opened = false;
    std::uint16_t nextBlock = 1;  // what the harness expects the receiver to want next

    while (input.remaining_bytes() > 0) {
        const std::vector<std::uint8_t> packet = NextPacket(input, nextBlock);
        const std::size_t before = receiver.Received().size();
        const bool wasComplete = receiver.IsComplete();

        const auto outcome = receiver.Take(packet);
        const std::size_t after = receiver.Received().size();
        const bool isData = packet.size() >= 4 && rlq::ReadBe16(packet.data()) == 3;

        switch (outcome.kind) {
            case TftpPacketKind::WriteRequest:
                FUZZ_CHECK(packet.size() >= 6 && std::memcmp(packet.data(), "\0\2RLQ\0", 6) == 0);
                FUZZ_CHECK(outcome.ack == 0 && !outcome.completed);
                FUZZ_CHECK(after == 0 && !receiver.IsComplete());
                opened = true;
                nextBlock = 1;
                break;
            case TftpPacketKind::Data: {
                FUZZ_CHECK(opened && isData);
                const std::uint16_t block = rlq::ReadBe16(packet.data() + 2);
                const bool inSequence = block == nextBlock && !wasComplete;
                if (inSequence) {
                    // The block's bytes are appended; a short one ends the transfer.
                    FUZZ_CHECK(after == before + packet.size() - 4);
                    FUZZ_CHECK(std::equal(
                        packet.begin() + 4, packet.end(),
                        receiver.Received().begin() + static_cast<std::ptrdiff_t>(before)));
                    FUZZ_CHECK(outcome.ack == block);
                    FUZZ_CHECK(outcome.completed == (packet.size() - 4 < 512));
                    FUZZ_CHECK(receiver.IsComplete() == outcome.completed);
                    ++nextBlock;
                } else {
                    // A repeat is acknowledged again and changes nothing; anything else is dropped.
                    FUZZ_CHECK(after == before && !outcome.completed);
                    FUZZ_CHECK(outcome.ack ==
                               (block < nextBlock ? std::optional(block) : std::nullopt));
                    FUZZ_CHECK(receiver.IsComplete() == wasComplete);
                }
                break;
            }
            case TftpPacketKind::Ignored:
                FUZZ_CHECK(!outcome.ack && !outcome.completed);
                FUZZ_CHECK(after == before && receiver.IsComplete() == wasComplete);
                FUZZ_CHECK(!(opened && isData));
                break;
        }
    }
    return 0;
}
