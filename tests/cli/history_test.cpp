// The history: the entries a run appends, and what the console tool reads back of them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/run_history.h"
#include "frontends/cli/history_reader.h"
#include "net/reply.h"
#include "tests/doubles/record_folder.h"

namespace rlq::cli {
namespace {

using testing::FakeRecordFolder;

// 2026-12-08T14:10:03.123Z
const auto kStart = std::chrono::system_clock::time_point(std::chrono::milliseconds(1796739003123));
const RunStart kRun{"1.34.1.6", {0x0134, 0x0106}, RunMode::Check, "info", "title"};

TEST(RunHistory, AppendsOneEntryPerRunAfterALineACrashCutShort) {
    FakeRecordFolder folder;
    folder.files[kHistoryName] = R"({"time":"2026-01-01T00:00:00Z","status":0})"
                                 "\n"
                                 R"({"time":"2026-01-02T00:00:00Z","sta)";
    RunHistory history(folder, kStart, [](const std::string&) { FAIL(); });
    history.RunStarted(kRun);
    history.SearchEnded(Unit::Main, MakeIpv4(192, 168, 77, 20), 0x0130, false);
    SearchDiagnosis silent;
    silent.cause = NotFoundCause::SubSilent;
    history.SearchDiagnosed(Unit::Sub, silent);
    history.SearchEnded(Unit::Sub, Ipv4{}, 0, false);
    history.ProgramEnded(1, "retry-offered");

    const HistoryRead read = ReadHistory(folder);
    EXPECT_EQ(read.skipped, 1);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(folder.locksTaken, 1);
    const nlohmann::json& entry = read.entries[1];
    EXPECT_THAT(read.lines[1],
                ::testing::StartsWith(
                    R"({"time":"2026-12-08T14:10:03Z","program":"1.34.1.6","mode":"check",)"
                    R"("outcome":"retry-offered","status":1,"cause":"sub-silent",)"
                    R"("units":{"main":{"address":"192.168.77.20",)"
                    R"("version":"1.30","carried":"1.34"}},"duration_s":)"));
    EXPECT_FALSE(entry["units"].contains("sub")) << "only the units found";
}

TEST(RunHistory, KeepsTheNewestThousandAndLosesNothingWhenItCannotWrite) {
    FakeRecordFolder folder;
    for (std::size_t i = 0; i < kKeptHistory; ++i) {
        folder.files[kHistoryName] += R"({"time":"t","status":)" + std::to_string(i) + "}\n";
    }
    const std::string before = folder.files[kHistoryName];
    for (const bool unusable : {true, false}) {
        folder.unusable = unusable;
        folder.diskFull = !unusable;
        int failures = 0;
        RunHistory history(folder, kStart, [&](const std::string&) { ++failures; });
        history.ProgramEnded(0, "done");
        EXPECT_EQ(failures, 1);
        folder.unusable = false;
        EXPECT_EQ(folder.files[kHistoryName], before);
    }
    folder.diskFull = false;
    RunHistory history(folder, kStart, [](const std::string&) { FAIL(); });
    history.ProgramEnded(0, "done");
    const HistoryRead read = ReadHistory(folder);
    ASSERT_EQ(read.entries.size(), kKeptHistory);
    EXPECT_EQ(read.entries.front()["status"], 1);
    EXPECT_EQ(read.entries.back()["outcome"], "done");
    EXPECT_EQ(read.entries.back()["program"], "1.34.1.6") << "also with no run start";
}

// Only what is JSON is an entry: no hex, no leading zeros, no bare points, no lone surrogates.
TEST(HistoryReader, TakesOnlyStrictJsonObjectsWithATime) {
    FakeRecordFolder folder;
    folder.files[kHistoryName] = R"({"time":"a","duration_s":12.5})"
                                 "\n"
                                 R"({"time":"b","status":0x10})"
                                 "\n"
                                 R"({"time":"c","status":01})"
                                 "\n"
                                 R"({"time":"d","duration_s":1.})"
                                 "\n"
                                 R"({"time":"e","mode":"\ud800"})"
                                 "\n"
                                 R"(["time"])"
                                 "\n"
                                 R"({"status":0})"
                                 "\n\n"
                                 R"({"time":"f","mode":"\u00e9"})";
    const HistoryRead read = ReadHistory(folder);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0]["duration_s"], 12.5);
    EXPECT_EQ(read.entries[1]["mode"], "\u00e9") << "an escape is read as its UTF-8";
    EXPECT_EQ(read.skipped, 6);
    folder.unusable = true;
    EXPECT_FALSE(ReadHistory(folder).readable);
}

}  // namespace
}  // namespace rlq::cli
