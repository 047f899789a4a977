// The values the units rely on, written out as the units know them: the program and the simulated
// unit share one set of names, so no other test would notice one of them changing.

#include <gtest/gtest.h>

#include <vector>

#include "common/temp_address.h"
#include "common/unit_network.h"

namespace rlq {
namespace {

TEST(UnitNetwork, ValuesOnTheWireAreTheUnitsOwn) {
    EXPECT_EQ(kDiscoveryRequestPort, 12103);
    EXPECT_EQ(kDiscoveryReplyPort, 12104);
    EXPECT_EQ(kDiscoveryDatagramSize, 16u);
    EXPECT_EQ(kDiscoveryMagic, "REPLY");
    EXPECT_EQ(kDiscoveryFormatVersion, 0x0100);
    EXPECT_EQ(
        (std::vector<unsigned>{kWantedAnyUnit, kWantedBase, kWantedChild, kWantedMain, kWantedSub}),
        (std::vector<unsigned>{0, 1, 2, 3, 4}));
    EXPECT_EQ((std::vector<unsigned>{kUnitKindBase, kUnitKindChild, kUnitKindMain, kUnitKindSub}),
              (std::vector<unsigned>{0x80, 0x81, 0x82, 0x83}));
    EXPECT_EQ(kTftpPort, 69);
    EXPECT_EQ(kTftpBlockSize, 512u);
    EXPECT_EQ(kTftpFileName, "RLQ");
    EXPECT_EQ(kTftpOpcodeWriteRequest, 2);
    EXPECT_EQ(kTftpOpcodeData, 3);
    EXPECT_EQ(kTftpOpcodeAck, 4);
    EXPECT_EQ(kTftpHeaderSize, 4u);
    EXPECT_EQ(kHttpPort, 80);
    EXPECT_STREQ(kUpdatePath, "update");
    EXPECT_STREQ(kResetPath, "update_reset");
    EXPECT_EQ(FormatIpv4(kSpecialModeSubAddress), "10.255.255.237");
    EXPECT_EQ(FormatIpv4(kTempAddress), "10.10.1.1");
    EXPECT_EQ(FormatIpv4(kTempMask), "255.0.0.0");
}

}  // namespace
}  // namespace rlq
