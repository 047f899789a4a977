#include "common/json_line.h"

#include <cstdio>

namespace rlq {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    while (!text.empty()) {
        const char c = text.front();
        const std::size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            out += kReplacement;
            text.remove_prefix(1);
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[7];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += text.substr(0, length);
                }
        }
        text.remove_prefix(length);
    }
    return out + "\"";
}

JsonLine::JsonLine(std::string_view event) : m_text("{") {
    String("event", event);
}

void JsonLine::Key(std::string_view key) {
    if (m_text.size() > 1) {
        m_text += ",";
    }
    m_text += JsonString(key) + ":";
}

JsonLine& JsonLine::String(std::string_view key, std::string_view value) {
    Key(key);
    m_text += JsonString(value);
    return *this;
}

JsonLine& JsonLine::Number(std::string_view key, std::int64_t value) {
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Bool(std::string_view key, bool value) {
    Key(key);
    m_text += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::Tenths(std::string_view key, std::int64_t tenths) {
    Key(key);
    m_text += std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    return *this;
}

JsonLine& JsonLine::Object(std::string_view key, const JsonLine& member) {
    Key(key);
    m_text += member.Text();
    return *this;
}

template <typename Item, typename ItemText>
JsonLine& JsonLine::Array(std::string_view key, const std::vector<Item>& items, ItemText text) {
    Key(key);
    m_text += "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        m_text += i == 0 ? "" : ",";
        m_text += text(items[i]);
    }
    m_text += "]";
    return *this;
}

JsonLine& JsonLine::Objects(std::string_view key, const std::vector<JsonLine>& members) {
    return Array(key, members, [](const JsonLine& member) { return member.Text(); });
}

JsonLine& JsonLine::Strings(std::string_view key, const std::vector<std::string>& values) {
    return Array(key, values, [](const std::string& value) { return JsonString(value); });
}

}  // namespace rlq
