#pragma once
// One JSON object on one line: the console tool's --json output and the history of runs.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rlq {

// `text` as a JSON string: quotes, backslash and control characters escaped; valid UTF-8
// passes through and each byte of an invalid sequence becomes U+FFFD, so a line always parses.
std::string JsonString(std::string_view text);

// Members appear in the order they are added, "event" first where there is one.
class JsonLine {
  public:
    JsonLine() : m_text("{") {}
    explicit JsonLine(std::string_view event);
    JsonLine& String(std::string_view key, std::string_view value);
    JsonLine& Number(std::string_view key, std::int64_t value);
    JsonLine& Bool(std::string_view key, bool value);
    // A count of tenths (not negative) as a decimal with one digit after the point: 123 is 12.3.
    JsonLine& Tenths(std::string_view key, std::int64_t tenths);
    JsonLine& Object(std::string_view key, const JsonLine& member);
    JsonLine& Objects(std::string_view key, const std::vector<JsonLine>& members);
    JsonLine& Strings(std::string_view key, const std::vector<std::string>& values);
    // The object, closed, without a line break.
    std::string Text() const { return m_text + "}"; }

  private:
    void Key(std::string_view key);
    template <typename Item, typename ItemText>
    JsonLine& Array(std::string_view key, const std::vector<Item>& items, ItemText text);
    std::string m_text;
};

}  // namespace rlq
