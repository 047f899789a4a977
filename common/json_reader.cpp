#include "common/json_reader.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace rlq {
namespace {

constexpr int kMaxDepth = 32;  // the history nests two levels; a deeper line is not ours

class Reader {
  public:
    explicit Reader(std::string_view text) : m_text(text) {}

    std::optional<JsonValue> Document() {
        auto value = Value(0);
        SkipSpace();
        if (!value || m_at != m_text.size()) {
            return std::nullopt;
        }
        return value;
    }

  private:
    void SkipSpace() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t' ||
                                        m_text[m_at] == '\r' || m_text[m_at] == '\n')) {
            ++m_at;
        }
    }

    bool Take(std::string_view word) {
        if (m_text.substr(m_at, word.size()) != word) {
            return false;
        }
        m_at += word.size();
        return true;
    }

    std::optional<JsonValue> Value(int depth) {
        SkipSpace();
        if (m_at >= m_text.size() || depth > kMaxDepth) {
            return std::nullopt;
        }
        const char c = m_text[m_at];
        if (c == '{') {
            return Object(depth);
        }
        if (c == '[') {
            return Array(depth);
        }
        JsonValue value;
        if (c == '"') {
            auto text = String();
            if (!text) {
                return std::nullopt;
            }
            value.kind = JsonValue::Kind::String;
            value.text = std::move(*text);
            return value;
        }
        if (Take("true")) {
            value.kind = JsonValue::Kind::Bool;
            value.flag = true;
            return value;
        }
        if (Take("false")) {
            value.kind = JsonValue::Kind::Bool;
            return value;
        }
        if (Take("null")) {
            return value;
        }
        return Number();
    }

    std::optional<JsonValue> Number() {
        const std::string digits(m_text.substr(m_at, 64));
        char* end = nullptr;
        const double number = std::strtod(digits.c_str(), &end);
        if (end == digits.c_str() || !std::isfinite(number) ||
            !(digits[0] == '-' || (digits[0] >= '0' && digits[0] <= '9'))) {
            return std::nullopt;
        }
        m_at += static_cast<std::size_t>(end - digits.c_str());
        JsonValue value;
        value.kind = JsonValue::Kind::Number;
        value.number = number;
        return value;
    }

    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::optional<unsigned> Hex4() {
        if (m_at + 4 > m_text.size()) {
            return std::nullopt;
        }
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_at++];
            code <<= 4;
            if (c >= '0' && c <= '9') {
                code |= static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                code |= static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                code |= static_cast<unsigned>(c - 'A' + 10);
            } else {
                return std::nullopt;
            }
        }
        return code;
    }

    std::optional<std::string> String() {
        ++m_at;  // the opening quote
        std::string out;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"') {
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return std::nullopt;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size()) {
                return std::nullopt;
            }
            const char escape = m_text[m_at++];
            switch (escape) {
                case '"':
                case '\\':
                case '/':
                    out += escape;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    auto code = Hex4();
                    if (!code) {
                        return std::nullopt;
                    }
                    if (*code >= 0xD800 && *code < 0xDC00 && Take("\\u")) {
                        const auto low = Hex4();
                        if (!low || *low < 0xDC00 || *low > 0xDFFF) {
                            return std::nullopt;
                        }
                        code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
                    }
                    AppendUtf8(out, *code);
                    break;
                }
                default:
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<JsonValue> Array(int depth) {
        ++m_at;
        JsonValue array;
        array.kind = JsonValue::Kind::Array;
        SkipSpace();
        if (Take("]")) {
            return array;
        }
        for (;;) {
            auto item = Value(depth + 1);
            if (!item) {
                return std::nullopt;
            }
            array.items.push_back(std::move(*item));
            SkipSpace();
            if (Take("]")) {
                return array;
            }
            if (!Take(",")) {
                return std::nullopt;
            }
        }
    }

    std::optional<JsonValue> Object(int depth) {
        ++m_at;
        JsonValue object;
        object.kind = JsonValue::Kind::Object;
        SkipSpace();
        if (Take("}")) {
            return object;
        }
        for (;;) {
            SkipSpace();
            if (m_at >= m_text.size() || m_text[m_at] != '"') {
                return std::nullopt;
            }
            auto key = String();
            SkipSpace();
            if (!key || !Take(":")) {
                return std::nullopt;
            }
            auto item = Value(depth + 1);
            if (!item) {
                return std::nullopt;
            }
            object.keys.push_back(std::move(*key));
            object.items.push_back(std::move(*item));
            SkipSpace();
            if (Take("}")) {
                return object;
            }
            if (!Take(",")) {
                return std::nullopt;
            }
        }
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
    if (kind != Kind::Object) {
        return nullptr;
    }
    // The last of repeated members counts, as most readers take it.
    for (std::size_t i = keys.size(); i-- > 0;) {
        if (keys[i] == key) {
            return &items[i];
        }
    }
    return nullptr;
}

std::string JsonValue::Text() const {
    if (kind == Kind::String) {
        return text;
    }
    if (kind == Kind::Number) {
        if (std::floor(number) == number && std::fabs(number) < 1e15) {
            return std::to_string(static_cast<long long>(number));
        }
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.1f", number);
        return buffer;
    }
    return {};
}

std::optional<JsonValue> ParseJson(std::string_view text) {
    return Reader(text).Document();
}

}  // namespace rlq
