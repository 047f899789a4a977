#include "platform/support/address_add_record.h"

#include "common/big_endian.h"

namespace rlq::platform {
namespace {

// holder id, creation time (two words), interface, address, mask; then the context, once known.
constexpr std::size_t kWordsWithoutContext = 6;
constexpr std::size_t kWordSize = 4;

}  // namespace

std::vector<std::uint8_t> EncodeAddressAddRecord(const AddressAddRecord& record) {
    std::vector<std::uint32_t> words{record.holder.id,
                                     static_cast<std::uint32_t>(record.holder.creationTime >> 32),
                                     static_cast<std::uint32_t>(record.holder.creationTime),
                                     record.interfaceIndex,
                                     record.added.address.HostOrder(),
                                     record.added.mask.HostOrder()};
    if (record.context) {
        words.push_back(*record.context);
    }
    std::vector<std::uint8_t> bytes(words.size() * kWordSize);
    for (std::size_t i = 0; i < words.size(); ++i) {
        WriteBe32(bytes.data() + i * kWordSize, words[i]);
    }
    return bytes;
}

std::optional<AddressAddRecord> DecodeAddressAddRecord(const std::vector<std::uint8_t>& bytes) {
    const std::size_t words = bytes.size() / kWordSize;
    if (bytes.size() % kWordSize != 0 || words < kWordsWithoutContext ||
        words > kWordsWithoutContext + 1) {
        return std::nullopt;
    }
    const auto word = [&](std::size_t i) { return ReadBe32(bytes.data() + i * kWordSize); };
    AddressAddRecord record;
    record.holder = {word(0), (std::uint64_t{word(1)} << 32) | word(2)};
    record.interfaceIndex = word(3);
    record.added = {Ipv4{word(4)}, Ipv4{word(5)}};
    if (words > kWordsWithoutContext) {
        record.context = word(kWordsWithoutContext);
    }
    return record;
}

}  // namespace rlq::platform
