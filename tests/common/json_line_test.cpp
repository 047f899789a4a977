#include "common/json_line.h"

#include <gtest/gtest.h>

#include <string>

namespace rlq {
namespace {

using namespace std::string_literals;

struct EscapeCase {
    std::string text;
    std::string json;
};

TEST(JsonString, EscapesWhatJsonForbidsAndKeepsUtf8) {
    const EscapeCase cases[] = {
        {"", R"("")"},
        {R"(say "hi" \ bye)", R"("say \"hi\" \\ bye")"},
        {"a\r\nb\tc\b\f", R"("a\r\nb\tc\b\f")"},
        {"\x01\x1f"s + "\0"s, R"("\u0001\u001f\u0000")"},
        {"\x7f/", "\"\x7f/\""},  // DEL and the solidus need no escape
        {"アップデート完了 Ver.1.30→1.34", "\"アップデート完了 Ver.1.30→1.34\""},
        {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},  // four bytes
        // Invalid sequences: each offending byte becomes U+FFFD, the rest is kept.
        {"a\xFFz", "\"a\xEF\xBF\xBDz\""},
        {"\xE3\x82", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // cut short
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // overlong '/'
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // surrogate
        {"\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // > U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonString(c.text), c.json) << c.text;
    }
}

TEST(JsonLine, WritesTheEventFirstAndMembersInOrder) {
    EXPECT_EQ(JsonLine("status").Number("status", 3).String("outcome", "update-needed").Text(),
              R"({"event":"status","status":3,"outcome":"update-needed"})");
    EXPECT_EQ(JsonLine("search-end").Bool("found", false).Number("n", -1).Text(),
              R"({"event":"search-end","found":false,"n":-1})");
}

}  // namespace
}  // namespace rlq
