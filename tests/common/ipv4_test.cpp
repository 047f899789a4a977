#include <gtest/gtest.h>

#include "common/ipv4.h"

namespace rlq {
namespace {

TEST(Ipv4, FormatsAndParsesDottedQuads) {
    EXPECT_EQ(FormatIpv4(0x0A0A0101), "10.10.1.1");
    EXPECT_EQ(FormatIpv4(0xFFFFFFFF), "255.255.255.255");
    EXPECT_EQ(ParseIpv4("192.168.0.5"), 0xC0A80005u);
    EXPECT_EQ(ParseIpv4("0.0.0.0"), 0u);
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "a.b.c.d", "1.2.3.4 ", "0001.2.3.4"}) {
        EXPECT_FALSE(ParseIpv4(bad)) << bad;
    }
}

}  // namespace
}  // namespace rlq
