#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/big_endian.h"
#include "firmware/document.h"
#include "firmware/image_format.h"
#include "firmware/image_items.h"
#include "firmware/sub_image_transform.h"
#include "firmware/transfer_busy.h"
#include "firmware/transfer_events.h"
#include "net/net_events.h"
#include "platform/headless/headless_toolkit.h"
#include "tests/doubles/document_view.h"
#include "tests/doubles/embedded_data.h"
#include "tests/doubles/http_layer.h"
#include "tests/doubles/process.h"
#include "tests/doubles/temp_file.h"
#include "tests/doubles/udp_socket.h"
#include "tools/mkimage/image_tool.h"
#include "tools/unit-sim/sim_payload.h"

namespace rlq::testing {
namespace {

// What no update gives, so that a result left unset shows.
constexpr auto kNoResult = static_cast<UpdateResult>(9);

using Kind = FakeSend::Kind;
constexpr Ipv4 kUnit = MakeIpv4(10, 10, 1, 2);

class TransferTest : public ::testing::Test {
  protected:
    platform::HeadlessToolkit ui{platform::TimeMode::Virtual};
    FakeProcess process;
    FakeHttpLayer http;
    FakeUdpSockets udp;
    FakeTempFiles tempFiles;
    FakeDataItems items;
    FakeDocumentView view;
    std::vector<bool> busyAtMessage;

    void SetUp() override {
        // Chunk 1's words sum to 0xFFFF: its check value wraps to 0 with the counter added.
        auto main = mkimage::MakeStandInPayload(655360, 3, std::nullopt);
        std::fill(main.begin() + 20480, main.begin() + 40960, 0);
        main[20480] = 0xFF;
        main[20481] = 0xFF;
        items.Item(kImageItemType, kImageItem[kMainSlot]) = mkimage::BuildImage(2, 0x0134, main);
        items.Item(kImageItemType, kImageItem[kSubSlot]) =
            mkimage::BuildImage(1, 0x0106, mkimage::MakeStandInPayload(2000, 4, {}));
        const std::string size = "2512 \r\n";
        items.Item(kSizeTextItemType, kSubImageSizeItem) = {size.begin(), size.end()};
        ui.SetMessageBoxAnswer(
            [this](const platform::UiEvent&) { busyAtMessage.push_back(IsTransferBusy()); });
    }

    std::unique_ptr<CRLQUpdaterDoc> MakeDocument() {
        auto document = std::make_unique<CRLQUpdaterDoc>(
            items, TransferServices{ui, process, http, udp, tempFiles, NoListeners<NetObserver>(),
                                    NoListeners<TransferObserver>()});
        document->SetView(&view);
        return document;
    }

    std::vector<std::string> Messages() const {
        return ui.EventLines(platform::UiEvent::Kind::Message);
    }
};

TEST_F(TransferTest, MainUnitGetsThirtyTwoChunksWithNumberedCheckedHeaders) {
    auto document = MakeDocument();
    std::vector<std::uint32_t> positionsAtRefresh;
    view.onRefresh = [&] { positionsAtRefresh.push_back(document->GetPosition(kMainSlot)); };
    UpdateResult result = kNoResult;
    document->UpdateFirmware(kUnit, kMainSlot, 0x0130, 0, result);

    EXPECT_EQ(result, UpdateResult::Updated);
    EXPECT_FALSE(IsTransferBusy());
    EXPECT_EQ(document->GetPosition(kMainSlot), 655360u);
    const auto attempts = http.Attempts();
    ASSERT_EQ(attempts.size(), 32u);
    const std::uint8_t* payload = items.Item(kImageItemType, kImageItem[kMainSlot]).data() + 512;
    for (std::size_t i = 0; i < attempts.size(); ++i) {
        const auto& body = attempts[i].body;
        ASSERT_EQ(body.size(), 20486u);
        EXPECT_EQ(attempts[i].object, "/update");
        EXPECT_EQ(attempts[i].verb, "POST");
        EXPECT_EQ(attempts[i].server, MakeIpv4(10, 10, 1, 2));
        EXPECT_EQ(body[0], 0xAA);
        EXPECT_EQ(body[1], 0x99);
        EXPECT_EQ(ReadBe16(&body[2]), i);
        EXPECT_EQ(ReadBe16(&body[4]),
                  static_cast<std::uint16_t>(ChunkChecksum(payload + i * 20480) + i));
        EXPECT_TRUE(std::equal(body.begin() + 6, body.end(), payload + i * 20480));
    }
    EXPECT_THAT(std::vector<std::uint8_t>(attempts[1].body.begin(), attempts[1].body.begin() + 6),
                ::testing::ElementsAre(0xAA, 0x99, 0x00, 0x01, 0x00, 0x00));
    EXPECT_EQ(attempts[31].body[2], 0x00);
    EXPECT_EQ(attempts[31].body[3], 0x1F);
    // Each refresh shows the chunks accepted before it; the last one shows all.
    ASSERT_EQ(positionsAtRefresh.size(), 33u);
    EXPECT_EQ(positionsAtRefresh.front(), 0u);
    EXPECT_EQ(positionsAtRefresh[31], 31u * 20480u);
    EXPECT_EQ(positionsAtRefresh.back(), 655360u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(TransferTest, ARefusedChunkStopsTheUploadWithItsStatus) {
    http.sends = {{Kind::Answer, 200, ""}, {Kind::Answer, 204, ""}, {Kind::Answer, 404, ""}};
    auto document = MakeDocument();
    UpdateResult result = kNoResult;
    document->UpdateFirmware(kUnit, kMainSlot, 0x0130, 0, result);
    EXPECT_EQ(result, UpdateResult::Failed);
    EXPECT_EQ(http.Attempts().size(), 3u);
    EXPECT_EQ(document->GetPosition(kMainSlot), 40960u);
    EXPECT_THAT(
        Messages(),
        ::testing::ElementsAre(
            "message \"アップデート失敗\" \"アップデートできませんでした。\r\nStatus = 404\" !"));
    EXPECT_THAT(busyAtMessage, ::testing::ElementsAre(false));
}

TEST_F(TransferTest, AFailedRequestShowsTheLayersTextAndStatusZero) {
    http.sends = {{Kind::Fail, 0, "connection refused"}};
    auto document = MakeDocument();
    UpdateResult result = kNoResult;
    document->UpdateFirmware(kUnit, kMainSlot, 0x0130, 0, result);
    EXPECT_EQ(result, UpdateResult::Failed);
    EXPECT_THAT(Messages(), ::testing::ElementsAre(
                                "message \"アップデート失敗\" \"アップデートできませんでした。"
                                "connection refused\r\nStatus = 0\" !"));
}

TEST_F(TransferTest, ResetRefusalGivesResultTwoWithoutTftpAndRemovesTheFile) {
    for (std::uint32_t status : {200u, 404u}) {
        http.sends = {{Kind::Answer, status, ""}};
        auto document = MakeDocument();
        UpdateResult result = kNoResult;
        document->UpdateFirmware(kUnit, kSubSlot, 0x0100, 0, result);
        EXPECT_EQ(result, UpdateResult::ResetTftpFailed) << status;
        EXPECT_TRUE(udp.Opened().empty()) << "no TFTP after a refused reset";
        EXPECT_TRUE(tempFiles.files.empty());
        EXPECT_EQ(process.currentDirectory, "/opt/rlq");
        EXPECT_EQ(http.Attempts().back().object, "/update_reset");
        EXPECT_EQ(http.Attempts().back().headers, "");
        EXPECT_TRUE(http.Attempts().back().body.empty());
    }
    EXPECT_THAT(Messages(),
                ::testing::Each(::testing::HasSubstr("特殊モードでアップデートしてください。")));
    EXPECT_THAT(busyAtMessage, ::testing::ElementsAre(false, false));
}

TEST_F(TransferTest, TheTempFileHoldsTheTransformedPayloadAndFallsBackToTheSystemFolder) {
    tempFiles.refusingFolders = {"/opt/rlq"};
    http.sends = {{Kind::Answer, 200, ""}};  // refuse the reset, so the file is written and removed
    auto document = MakeDocument();
    document->RemoveLeftoverTempFiles();
    EXPECT_THAT(tempFiles.sweptFolders, ::testing::ElementsAre("/opt/rlq", "/tmp"))
        << "both folders a run may have used";
    UpdateResult result = kNoResult;
    document->UpdateFirmware(kUnit, kSubSlot, 0x0100, 0, result);
    ASSERT_EQ(tempFiles.removed.size(), 1u);
    EXPECT_EQ(tempFiles.removed[0].rfind("/tmp/", 0), 0u);
    const std::uint8_t* payload = items.Item(kImageItemType, kImageItem[kSubSlot]).data() + 512;
    SubImageTransform transform;
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 2000; ++i) {
        expected.push_back(transform.Next(payload[i]));
    }
    EXPECT_EQ(tempFiles.lastRemovedContent, expected);
}

TEST_F(TransferTest, TempFileTroubleGivesMessage148AndResultOne) {
    for (bool closeFails : {false, true}) {
        tempFiles.failWrites = !closeFails;
        tempFiles.failClose = closeFails;
        auto document = MakeDocument();
        UpdateResult result = kNoResult;
        document->UpdateFirmware(kUnit, kSubSlot, 0x0100, 0, result);
        EXPECT_EQ(result, UpdateResult::Failed);
        EXPECT_TRUE(tempFiles.files.empty()) << "removed on every path";
        EXPECT_TRUE(http.Attempts().empty()) << "no reset without an image";
    }
    EXPECT_THAT(Messages(),
                ::testing::Each(::testing::HasSubstr("一時ファイルを作成できませんでした。")));
    EXPECT_THAT(busyAtMessage, ::testing::ElementsAre(false, false));
}

TEST_F(TransferTest, AProgramPathWithoutAFolderEndsQuietly) {
    process.programPath = "rlq-updater";
    auto document = MakeDocument();
    UpdateResult result = kNoResult;
    document->UpdateFirmware(kUnit, kSubSlot, 0x0100, 0, result);
    EXPECT_EQ(result, UpdateResult::Failed);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(tempFiles.files.empty());
    EXPECT_FALSE(IsTransferBusy());
}

TEST(SubImageTransform, MatchesTheFormulaWrapsTheCounterAndChainsOnTheInput) {
    SubImageTransform transform;
    EXPECT_EQ(transform.Next(0x00), static_cast<std::uint8_t>((0x00 - 0x6B) ^ 0xA7));
    EXPECT_EQ(transform.Next(0x10), static_cast<std::uint8_t>((0x10 - 0x6C) ^ 0x00));

    std::vector<std::uint8_t> input = mkimage::MakeStandInPayload(600, 9, std::nullopt);
    auto run = [](const std::vector<std::uint8_t>& bytes) {
        SubImageTransform t;
        std::vector<std::uint8_t> out;
        for (std::uint8_t b : bytes) {
            out.push_back(t.Next(b));
        }
        return out;
    };
    const auto output = run(input);
    ASSERT_EQ(output.size(), input.size());
    // Byte 0x95 (149) is where the counter wraps from 0xFF to 0x00.
    EXPECT_EQ(output[149], static_cast<std::uint8_t>(input[149] ^ input[148]));
    EXPECT_EQ(output[150], static_cast<std::uint8_t>((input[150] - 1) ^ input[149]));

    auto changed = input;
    changed[300] ^= 0x5A;
    const auto changedOutput = run(changed);
    for (std::size_t i = 0; i < input.size(); ++i) {
        EXPECT_EQ(output[i] != changedOutput[i], i == 300 || i == 301) << i;
    }

    // The simulated loader's own inverse recovers the input.
    EXPECT_EQ(sim::RecoverLoaderPayload(output), input);
}

}  // namespace
}  // namespace rlq::testing
