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

TEST(Ipv4, PrefixesAndMasksConvertBothWays) {
    EXPECT_EQ(PrefixMask(0), 0u);
    EXPECT_EQ(PrefixMask(8), 0xFF000000u);
    EXPECT_EQ(PrefixMask(32), 0xFFFFFFFFu);
    EXPECT_EQ(PrefixMask(40), 0xFFFFFFFFu);
    EXPECT_EQ(PrefixLength(0), 0);
    EXPECT_EQ(PrefixLength(0xFFFFFF00), 24);
    EXPECT_EQ(PrefixLength(0xFFFFFFFF), 32);
    EXPECT_EQ(PrefixLength(0xFF00FF00), 8) << "only the leading ones count";
    EXPECT_EQ(PrefixText(MakeIpv4(10, 10, 1, 1), 0xFF000000).View(), "10.10.1.1/8");
    EXPECT_EQ(PrefixText(0xFFFFFFFF, 0xFFFFFFFF).View(), "255.255.255.255/32");
    EXPECT_EQ(PrefixText(0, 0).View(), "0.0.0.0/0");
}

}  // namespace
}  // namespace rlq
