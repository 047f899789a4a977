#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "firmware/image_format.h"
#include "tools/mkimage/image_tool.h"

namespace rlq {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(FormatVersion, PadsTheMinorNumberAndKeepsNibblesAboveNine) {
    EXPECT_EQ(FormatVersion(0x0134), "1.34");
    EXPECT_EQ(FormatVersion(0x0105), "1.05");
    EXPECT_EQ(FormatVersion(0x1200), "12.00");
    EXPECT_EQ(FormatVersion(0x0199), "1.99");
    EXPECT_EQ(FormatVersion(0x01A0), "1.100");
    EXPECT_EQ(FormatVersion(0x0000), "0.00");
}

TEST(ChunkChecksum, SumsBigEndianWordsModulo65536) {
    std::vector<std::uint8_t> chunk(kChunkDataSize, 0xFF);
    EXPECT_EQ(ChunkChecksum(chunk.data()), 0xD800);
    std::fill(chunk.begin(), chunk.end(), 0);
    chunk[0] = 0x01;
    chunk[1] = 0x02;
    chunk[2] = 0x03;
    chunk[3] = 0x04;
    EXPECT_EQ(ChunkChecksum(chunk.data()), 0x0406);
    chunk[kChunkDataSize - 1] = 0x01;  // the last word's low byte
    EXPECT_EQ(ChunkChecksum(chunk.data()), 0x0407);
}

TEST(ParseSizeText, ReadsDigitsUpToTheLineEndAndSkipsOtherBytes) {
    EXPECT_EQ(ParseSizeText(Bytes("237498 \r\n")), 237498u);
    EXPECT_EQ(ParseSizeText(Bytes("12 34\r\n")), 1234u);
    EXPECT_EQ(ParseSizeText(Bytes("12\r34")), 12u);
    EXPECT_EQ(ParseSizeText(Bytes("12\n34")), 12u);
    EXPECT_EQ(ParseSizeText(Bytes(std::string_view("5\0"
                                                   "6",
                                                   3))),
              5u);
    EXPECT_EQ(ParseSizeText(Bytes("no digit\r\n")), 0u);
    EXPECT_EQ(ParseSizeText(Bytes("")), 0u);
}

TEST(StandInImages, BuildAndCheckAgree) {
    const auto payload = mkimage::MakeStandInPayload(1000, 7, 0xB3D5);
    EXPECT_EQ(WordSum(payload), 0xB3D5);
    EXPECT_EQ(payload, mkimage::MakeStandInPayload(1000, 7, 0xB3D5)) << "must be deterministic";

    auto image = mkimage::BuildImage(1, 0x0106, payload);
    ASSERT_EQ(image.size(), 512u + 1000u);
    EXPECT_EQ(ImageVersion(image.data()), 0x0106);
    EXPECT_EQ(mkimage::CheckImage(image, {1, 0x0106, 1000}), "");
    EXPECT_EQ(mkimage::CheckImage(image, {2, std::nullopt, std::nullopt}), "unexpected image kind");
    EXPECT_EQ(mkimage::CheckImage(image, {std::nullopt, 0x0134, std::nullopt}),
              "unexpected version");
    EXPECT_THAT(mkimage::CheckImage(image, {std::nullopt, std::nullopt, 999}),
                ::testing::HasSubstr("payload is 1000 bytes"));
}

TEST(StandInImages, CheckFindsEachKindOfDamage) {
    const auto good = mkimage::BuildImage(2, 0x0134, mkimage::MakeStandInPayload(64, 1, {}));
    auto damaged = [&](std::size_t offset) {
        auto image = good;
        image[offset] ^= 0x01;
        return mkimage::CheckImage(image, {});
    };
    EXPECT_EQ(damaged(0), "bad magic");
    EXPECT_EQ(damaged(0x10), "bad marker");
    EXPECT_EQ(damaged(0x100), "header fill is not all 0xFF");
    EXPECT_EQ(damaged(0x14), "payload checksum does not match the header");
    EXPECT_EQ(damaged(512 + 10), "payload checksum does not match the header");
    EXPECT_EQ(mkimage::CheckImage(std::vector<std::uint8_t>(100), {}),
              "shorter than its 512-byte header");
    EXPECT_EQ(mkimage::CheckImage(mkimage::BuildImage(1, 0x0106, {}), {}),
              "no payload after the header");
}

TEST(StandInImages, VersionTextParses) {
    EXPECT_EQ(mkimage::ParseVersionText("1.34"), 0x0134);
    EXPECT_EQ(mkimage::ParseVersionText("12.00"), 0x1200);
    EXPECT_EQ(mkimage::ParseVersionText("1.3"), std::nullopt);
    EXPECT_EQ(mkimage::ParseVersionText("x.34"), std::nullopt);
    EXPECT_EQ(mkimage::ParseVersionText("134"), std::nullopt);
}

}  // namespace
}  // namespace rlq
