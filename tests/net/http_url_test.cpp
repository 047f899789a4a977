#include <gtest/gtest.h>

#include "common/unit_network.h"
#include "net/http_url.h"

namespace rlq {
namespace {

TEST(HttpUrlTest, SplitsServerObjectAndPort) {
    const auto plain = ParseHttpUrl("http://10.10.1.1/update");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->server, "10.10.1.1");
    EXPECT_EQ(plain->object, "/update");
    EXPECT_EQ(plain->port, kHttpPort);

    const auto withPort = ParseHttpUrl("HTTP://127.0.0.5:8080");
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->server, "127.0.0.5");
    EXPECT_EQ(withPort->object, "/");
    EXPECT_EQ(withPort->port, 8080);
}

TEST(HttpUrlTest, CanonicalisesTheObject) {
    EXPECT_EQ(ParseHttpUrl("http://1.2.3.4/a b\"<x>#frag")->object, "/a%20b%22%3Cx%3E");
    EXPECT_EQ(ParseHttpUrl("http://1.2.3.4/\xE3\x81\x82")->object, "/%E3%81%82");
    EXPECT_EQ(ParseHttpUrl("http://1.2.3.4?q=1")->object, "/?q=1");
}

TEST(HttpUrlTest, RefusesWhatCannotFormARequest) {
    for (const char* url :
         {"https://1.2.3.4/update", "ftp://1.2.3.4/", "http:/1.2.3.4/", "http:///update",
          "http://1.2.3.4:0/", "http://1.2.3.4:70000/", "http://1.2.3.4:/", "http://us@1.2.3.4/",
          "http://1.2.3.4/a\r\nb", "http://1.2.3.4/a\tb"}) {
        EXPECT_FALSE(ParseHttpUrl(url)) << url;
    }
}

}  // namespace
}  // namespace rlq
