#include <gtest/gtest.h>

#include "common/ipv4.h"

namespace rlq {
namespace {

TEST(Ipv4, FormatsAndParsesDottedQuads) {
    EXPECT_EQ(FormatIpv4(MakeIpv4(10, 10, 1, 1)), "10.10.1.1");
    EXPECT_EQ(FormatIpv4(Ipv4{0xFFFFFFFF}), "255.255.255.255");
    EXPECT_EQ(ParseIpv4("192.168.0.5"), Ipv4{0xC0A80005u}) << "the first octet is the top byte";
    EXPECT_EQ(ParseIpv4("0.0.0.0"), Ipv4{});
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "a.b.c.d", "1.2.3.4 ", "0001.2.3.4"}) {
        EXPECT_FALSE(ParseIpv4(bad)) << bad;
    }
}

TEST(Ipv4, PrefixesAndMasksConvertBothWays) {
    EXPECT_EQ(PrefixMask(0), Ipv4{});
    EXPECT_EQ(PrefixMask(8), MakeIpv4(255, 0, 0, 0));
    EXPECT_EQ(PrefixMask(32), Ipv4{0xFFFFFFFFu});
    EXPECT_EQ(PrefixMask(40), Ipv4{0xFFFFFFFFu});
    EXPECT_EQ(PrefixLength(Ipv4{}), 0);
    EXPECT_EQ(PrefixLength(Ipv4{0xFFFFFF00}), 24);
    EXPECT_EQ(PrefixLength(Ipv4{0xFFFFFFFF}), 32);
    EXPECT_EQ(PrefixLength(Ipv4{0xFF00FF00}), 8) << "only the leading ones count";
    EXPECT_EQ(PrefixText(MakeIpv4(10, 10, 1, 1), PrefixMask(8)).View(), "10.10.1.1/8");
    EXPECT_EQ(PrefixText(Ipv4{0xFFFFFFFF}, PrefixMask(32)).View(), "255.255.255.255/32");
    EXPECT_EQ(PrefixText(Ipv4{}, Ipv4{}).View(), "0.0.0.0/0");
}

}  // namespace
}  // namespace rlq
