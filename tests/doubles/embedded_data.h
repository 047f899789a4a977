#pragma once
// Data items made up by the test, found as the program's own are: by type name in any letter
// case and number.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/embedded_data.h"

namespace rlq::testing {

class FakeDataItems final : public platform::DataItemSource {
  public:
    // The item's bytes, made empty when there was none yet.
    std::vector<std::uint8_t>& Item(std::string_view type, std::uint16_t id) {
        return m_items[{UpperCase(type), id}];
    }

    std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                      std::uint16_t id) const override {
        const auto found = m_items.find({UpperCase(type), id});
        if (found == m_items.end()) {
            return std::nullopt;
        }
        return std::span<const std::uint8_t>(found->second);
    }

  private:
    static std::string UpperCase(std::string_view text) {
        std::string upper(text);
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return upper;
    }

    std::map<std::pair<std::string, std::uint16_t>, std::vector<std::uint8_t>> m_items;
};

}  // namespace rlq::testing
