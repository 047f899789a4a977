#pragma once
// The item table of backends that link data as symbols (the .incbin build on Linux).

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/embedded_data.h"

namespace rlq::platform {

// One row of a table of linked items; backends that link data as symbols describe it with these.
struct LinkedDataItem {
    std::string_view type;
    std::uint16_t id;
    const std::uint8_t* begin;
    const std::uint8_t* end;
};

class LinkedDataItems final : public DataItemSource {
  public:
    explicit LinkedDataItems(std::span<const LinkedDataItem> items) : m_items(items) {}
    std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                      std::uint16_t id) const override;

  private:
    std::span<const LinkedDataItem> m_items;
};

}  // namespace rlq::platform
