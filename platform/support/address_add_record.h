#pragma once
// What a run records of each temporary address before it adds it, so that a later start can tell
// the address a killed run left from one someone else configured. Stored as one value of bytes,
// written whole, so that no kill leaves half a record.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ipv4.h"

namespace rlq::platform {

// A process as no later one can be mistaken for it: ids are reused, an id with its creation time
// is not.
struct ProcessStamp {
    std::uint32_t id = 0;
    std::uint64_t creationTime = 0;
    friend bool operator==(const ProcessStamp&, const ProcessStamp&) = default;
};

struct AddressAddRecord {
    ProcessStamp holder;
    std::uint32_t interfaceIndex = 0;
    MaskedAddress added;
    // The system's handle of the added address; unknown until the add has succeeded.
    std::optional<std::uint32_t> context;
    friend bool operator==(const AddressAddRecord&, const AddressAddRecord&) = default;
};

std::vector<std::uint8_t> EncodeAddressAddRecord(const AddressAddRecord& record);
// nullopt for bytes no encoding gives.
std::optional<AddressAddRecord> DecodeAddressAddRecord(const std::vector<std::uint8_t>& bytes);

}  // namespace rlq::platform
