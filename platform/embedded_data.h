#pragma once
// Read-only data items built into the program, found by type name (any letter case) and number.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace rlq::platform {

class DataItemSource {
  public:
    virtual ~DataItemSource() = default;
    // A view valid for the program's life, or nullopt when there is no such item.
    virtual std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                              std::uint16_t id) const = 0;
};

// The items linked into this program.
const DataItemSource& ProgramDataItems();

}  // namespace rlq::platform
