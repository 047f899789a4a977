// Discovery replies as the listener sees them. Input: the search flags (1 byte), the version
// threshold (2 bytes, big-endian), then the datagram as it arrived, of any length. The datagram
// goes through a 16-byte receive buffer as on the socket, with its true length beside it.

#include <algorithm>
#include <array>
#include <cstring>

#include "fuzz/fuzz_check.h"
#include "net/reply.h"

namespace {

constexpr std::size_t kPrefix = 3;
constexpr std::int32_t kVersionFilter = rlq::SEARCH_VER_LE | rlq::SEARCH_VER_GE;

std::int32_t FlagNeededFor(std::uint8_t kind) {
    constexpr std::array<std::int32_t, 4> kFlags{rlq::SEARCH_BASE, rlq::SEARCH_CHILD,
                                                 rlq::SEARCH_MAIN, rlq::SEARCH_SUB};
    return kind >= rlq::kUnitKindBase && kind <= rlq::kUnitKindSub
               ? kFlags[kind - rlq::kUnitKindBase]
               : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kPrefix) {
        return 0;
    }
    const std::int32_t flags = data[0];
    const auto threshold = static_cast<std::uint16_t>(data[1] << 8 | data[2]);
    const std::uint8_t* datagram = data + kPrefix;
    const std::size_t length = size - kPrefix;

    std::array<std::uint8_t, rlq::kDiscoveryDatagramSize> buffer{};
    const std::size_t read = std::min(length, buffer.size());
    std::memcpy(buffer.data(), datagram, read);
    const std::span<const std::uint8_t> received(buffer.data(), read);

    const auto parsed = rlq::ParseReplyDatagram(received, length);
    const auto accepted = rlq::AcceptReplyDatagram(flags, threshold, received, length);

    const bool wellFormed =
        length == rlq::kDiscoveryDatagramSize &&
        std::memcmp(datagram, rlq::kDiscoveryMagic.data(), rlq::kDiscoveryMagic.size()) == 0 &&
        (datagram[5] << 8 | datagram[6]) <= rlq::kDiscoveryFormatVersion &&
        FlagNeededFor(datagram[7]) != 0;
    FUZZ_CHECK(parsed.has_value() == wellFormed);
    if (!parsed) {
        FUZZ_CHECK(!accepted);
        return 0;
    }
    const auto version = static_cast<std::uint16_t>(datagram[8] << 8 | datagram[9]);
    FUZZ_CHECK(parsed->unitKind == datagram[7] && parsed->firmwareVersion == version);

    bool versionPasses = true;
    if ((flags & kVersionFilter) == rlq::SEARCH_VER_LE) {
        versionPasses = version <= threshold;
    } else if ((flags & kVersionFilter) == rlq::SEARCH_VER_GE) {
        versionPasses = version >= threshold;
    }
    const bool wanted = (flags & FlagNeededFor(datagram[7])) != 0 && versionPasses;
    FUZZ_CHECK(accepted.has_value() == wanted);
    if (accepted) {
        FUZZ_CHECK(accepted->unitKind == parsed->unitKind &&
                   accepted->firmwareVersion == parsed->firmwareVersion);
    }
    return 0;
}
