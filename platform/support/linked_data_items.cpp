#include "platform/support/linked_data_items.h"

#include <algorithm>

namespace rlq::platform {
namespace {

bool SameTypeName(std::string_view a, std::string_view b) {
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::optional<std::span<const std::uint8_t>> LinkedDataItems::Find(std::string_view type,
                                                                   std::uint16_t id) const {
    for (const LinkedDataItem& item : m_items) {
        if (item.id == id && SameTypeName(item.type, type)) {
            return std::span<const std::uint8_t>(item.begin, item.end);
        }
    }
    return std::nullopt;
}

}  // namespace rlq::platform
