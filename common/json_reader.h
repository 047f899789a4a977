#pragma once
// Reads back one JSON value, as the program's own history lines hold them: objects, arrays,
// strings (with \uXXXX escapes), numbers, true, false and null. Anything else, or anything after
// the value, is not read.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rlq {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool flag = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;   // an array's elements, or an object's member values
    std::vector<std::string> keys;  // an object's member names, one per item, in their order

    // The member `key` of an object; null when this is no object or has no such member.
    const JsonValue* Find(std::string_view key) const;
    // The value as text: a string as it is, a whole number without a fraction, else empty.
    std::string Text() const;
};

std::optional<JsonValue> ParseJson(std::string_view text);

}  // namespace rlq
