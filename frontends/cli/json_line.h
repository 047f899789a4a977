#pragma once
// One JSON object on one line, for scripts that read the console tool's --json output.

#include <cstdint>
#include <string>
#include <string_view>

namespace rlq::cli {

// `text` as a JSON string: quotes, backslash and control characters escaped; valid UTF-8
// passes through and each byte of an invalid sequence becomes U+FFFD, so a line always parses.
std::string JsonString(std::string_view text);

// Members appear in the order they are added, "event" first.
class JsonLine {
  public:
    explicit JsonLine(std::string_view event);
    JsonLine& String(std::string_view key, std::string_view value);
    JsonLine& Number(std::string_view key, std::int64_t value);
    JsonLine& Bool(std::string_view key, bool value);
    // The object, closed, without a line break.
    std::string Text() const { return m_text + "}"; }

  private:
    void Key(std::string_view key);
    std::string m_text;
};

}  // namespace rlq::cli
