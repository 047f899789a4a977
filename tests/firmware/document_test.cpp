#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "firmware/document.h"
#include "firmware/image_format.h"
#include "firmware/image_items.h"
#include "platform/embedded_data.h"
#include "platform/headless/headless_toolkit.h"
#include "tests/doubles/document_view.h"
#include "tests/doubles/embedded_data.h"
#include "tests/doubles/transfer_services.h"
#include "tools/mkimage/image_tool.h"

namespace rlq {
namespace {

// What no update gives, so that a result left unset shows.
constexpr auto kNoResult = static_cast<UpdateResult>(9);

TEST(EmbeddedImages, CarryTheShippedFigures) {
    const auto& items = platform::ProgramDataItems();
    const auto main = items.Find("FILE", 134);
    const auto sub = items.Find("FILE", 142);
    const auto size = items.Find("File", 143);
    ASSERT_TRUE(main && sub && size);
    EXPECT_EQ(main->size(), 655872u);
    EXPECT_EQ(sub->size(), 237498u);
    EXPECT_EQ(std::string(size->begin(), size->end()), "237498 \r\n");
    EXPECT_TRUE(items.Find("file", 142)) << "type names match in any letter case";
    EXPECT_FALSE(items.Find("FILE", 135));
    EXPECT_EQ(mkimage::CheckImage({main->begin(), main->end()}, {2, 0x0134, 655360}), "");
    EXPECT_EQ(mkimage::CheckImage({sub->begin(), sub->end()}, {1, 0x0106, 236986}), "");
    EXPECT_EQ(WordSum(main->subspan(512)), 0xD2E3);
    EXPECT_EQ(WordSum(sub->subspan(512)), 0xB3D5);
}

// Documents that see only current units: no transfer ever uses the services.
class Document : public ::testing::Test {
  protected:
    TransferServices Services() { return m_idle.With(m_ui); }

  private:
    platform::HeadlessToolkit m_ui{platform::TimeMode::Virtual};
    testing::IdleTransferServices m_idle;
};

TEST_F(Document, TakesVersionsSizesAndInfoFromTheEmbeddedImages) {
    CRLQUpdaterDoc document(platform::ProgramDataItems(), Services());
    EXPECT_EQ(CarriedVersion(platform::ProgramDataItems(), kMainSlot), 0x0134);
    EXPECT_EQ(CarriedVersion(platform::ProgramDataItems(), kSubSlot), 0x0106);
    EXPECT_EQ(document.GetImageVersion(kMainSlot), 0x0134);
    EXPECT_EQ(document.GetImageVersion(kSubSlot), 0x0106);
    EXPECT_EQ(document.GetImageSize(kMainSlot), 655360u);
    EXPECT_EQ(document.GetImageSize(kSubSlot), 236986u);
    EXPECT_EQ(document.GetInfoText(), "RLQ-610A  Ver.1.34/1.06");
    EXPECT_EQ(document.GetPosition(kMainSlot), 0u);
    EXPECT_EQ(document.GetPosition(kSubSlot), 0u);
}

TEST_F(Document, SubPayloadSizeIsTheSizeTextLessTheHeaderOrZero) {
    const auto image = mkimage::BuildImage(1, 0x0199, std::vector<std::uint8_t>(8));
    for (auto [text, expected] : {std::pair{"511\r\n", 0u},
                                  {"512\r\n", 0u},
                                  {"513\r\n", 1u},
                                  {"no digit\r\n", 0u},
                                  {"12 34\r\n", 722u}}) {
        testing::FakeDataItems items;
        items.Item(kImageItemType, kImageItem[kMainSlot]) = image;
        items.Item(kImageItemType, kImageItem[kSubSlot]) = image;
        items.Item(kSizeTextItemType, kSubImageSizeItem) =
            std::vector<std::uint8_t>(text, text + std::strlen(text));
        CRLQUpdaterDoc document(items, Services());
        EXPECT_EQ(document.GetImageSize(kSubSlot), expected) << text;
        EXPECT_EQ(document.GetImageVersion(kSubSlot), 0x0199);
        EXPECT_EQ(document.GetInfoText(), "RLQ-610A  Ver.1.99/1.99");
    }
}

TEST_F(Document, AUnitAtTheImageVersionIsSkippedWithAFullBar) {
    CRLQUpdaterDoc document(platform::ProgramDataItems(), Services());
    testing::FakeDocumentView view;
    document.SetView(&view);
    UpdateResult result = kNoResult;
    document.UpdateFirmware(MakeIpv4(10, 0, 0, 1), kSubSlot, 0x0106, 0, result);
    EXPECT_EQ(result, UpdateResult::Updated);
    EXPECT_EQ(document.GetPosition(kSubSlot), 236986u);
    EXPECT_EQ(view.refreshes, 1);
}

}  // namespace
}  // namespace rlq
