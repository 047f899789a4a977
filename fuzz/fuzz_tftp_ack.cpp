// Acknowledgements as the TFTP client sees them. Input: the block being waited for (2 bytes,
// big-endian), a byte whose low bit says whether the datagram came from another address than
// the unit's, then the datagram as it arrived, of any length. It goes through the client's
// 16-byte receive buffer with its true length beside it.

#include <algorithm>
#include <array>
#include <cstring>

#include "fuzz/fuzz_check.h"
#include "net/tftp.h"

namespace {

constexpr std::size_t kPrefix = 3;
constexpr rlq::Ipv4 kUnit = rlq::MakeIpv4(10, 255, 255, 237);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kPrefix) {
        return 0;
    }
    const auto block = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    const rlq::Ipv4 from =
        (data[2] & 1) != 0 ? rlq::Ipv4{kUnit.HostOrder() ^ (std::uint32_t{data[2]} << 1)} : kUnit;
    const std::uint8_t* datagram = data + kPrefix;
    const std::size_t length = size - kPrefix;

    std::array<std::uint8_t, 16> buffer{};
    const std::size_t read = std::min(length, buffer.size());
    std::memcpy(buffer.data(), datagram, read);

    const bool accepted = rlq::IsExpectedTftpAck(std::span<const std::uint8_t>(buffer.data(), read),
                                                 length, from, kUnit, block);
    const bool expected = length == 4 && datagram[0] == 0 && datagram[1] == 4 &&
                          (datagram[2] << 8 | datagram[3]) == block && from == kUnit;
    FUZZ_CHECK(accepted == expected);
    return 0;
}
