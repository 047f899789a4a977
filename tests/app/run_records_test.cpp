// The run log and the history as listeners of a run, on the record folder double.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "app/run_records.h"
#include "net/reply.h"
#include "tests/doubles/record_folder.h"

namespace rlq::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// 2026-12-08T14:10:03.123Z
const auto kStart = std::chrono::system_clock::time_point(std::chrono::milliseconds(1796739003123));
const RunStart kRun{"1.34.1.6", {0x0134, 0x0106}, RunMode::Check, "info", "title"};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

TEST(RunLog, OneStampedLineAnEventInANewFileAndTheNewestTwentyKept) {
    FakeRecordFolder folder;
    for (int day = 1; day <= 24; ++day) {
        folder.files["run-202511" + std::to_string(10 + day) + "T000000.000Z.log"] = "old";
    }
    folder.files["history.jsonl"] = "";
    int failures = 0;
    std::string echoed;
    {
        RunLog log(
            folder, kStart, [&](const std::string&) { ++failures; },
            [&](const std::string& line) { echoed += line; });
        log.RunStarted(kRun);
        log.ReplyReceived(
            {MakeIpv4(10, 0, 0, 9), 16, 0x0200, 0x82, 0x0130, ReplyVerdict::NewerFormat});
        SearchDiagnosis conflict;
        conflict.cause = NotFoundCause::RouteConflict;
        conflict.route = {MakeIpv4(10, 1, 0, 0), PrefixMask(16)};
        conflict.interfaceName = "tun0";
        conflict.adapters = {
            {"pc0", true, {{MakeIpv4(192, 168, 77, 10), PrefixMask(24)}}, 12, 0, 0}};
        log.SearchDiagnosed(SEARCH_SUB, conflict);
        log.HttpRequestEnded("http://10.1.2.3/update_reset", 0, "a\r\nb",
                             std::chrono::milliseconds(12));
        log.ProgramEnded(3, "update-needed");
    }
    EXPECT_EQ(failures, 0);
    ASSERT_TRUE(folder.files.contains("run-20261208T141003.123Z.log"));
    EXPECT_TRUE(folder.files.contains("history.jsonl")) << "only run logs are pruned";
    EXPECT_FALSE(folder.files.contains("run-20251115T000000.000Z.log")) << "the oldest go";
    EXPECT_TRUE(folder.files.contains("run-20251116T000000.000Z.log"));
    EXPECT_EQ(folder.files.size(), kKeptLogs + 1);
    const auto lines = Lines(folder.files["run-20261208T141003.123Z.log"]);
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, std::regex(" *[0-9]+ .+"))) << line;
    }
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(echoed, folder.files["run-20261208T141003.123Z.log"]) << "--verbose: the same lines";
    EXPECT_THAT(lines[0], HasSubstr("2026-12-08T14:10:03Z in /state/rlq-updater"));
    EXPECT_THAT(lines[1],
                HasSubstr("run-start program 1.34.1.6, mode check, carried main 1.34 sub 1.06"));
    EXPECT_THAT(lines[2], HasSubstr("reply from 10.0.0.9: 16 bytes, format 0x0200, kind 0x82, "
                                    "version 1.30, rejected: a newer format"));
    EXPECT_THAT(lines[3], HasSubstr("search-cause sub route-conflict: 10.1.0.0/16 on tun0"));
    EXPECT_THAT(lines[4],
                HasSubstr("searched pc0 link up 192.168.77.10/24, sent 12, replies 0, rejected 0"));
    EXPECT_THAT(lines[5],
                HasSubstr("http POST http://10.1.2.3/update_reset -> error: a / b in 12 ms"));
    EXPECT_THAT(lines[6], HasSubstr("program-end status 3 (update-needed)"));
}

// Neither a folder that cannot be used nor a disk that fills up stops the run; each is told once.
TEST(RunLog, AFolderThatCannotBeUsedOrFillsUpIsToldOnce) {
    for (const bool fullLater : {false, true}) {
        FakeRecordFolder folder;
        folder.unusable = !fullLater;
        int failures = 0;
        RunLog log(folder, kStart, [&](const std::string&) { ++failures; });
        folder.diskFull = fullLater;
        log.RunStarted(kRun);
        log.SearchStarted(SEARCH_MAIN);
        EXPECT_EQ(failures, 1) << fullLater;
    }
    FakeRecordFolder folder;
    RunLog first(folder, kStart, [](const std::string&) {});
    RunLog second(folder, kStart, [](const std::string&) {});
    EXPECT_TRUE(folder.files.contains("run-20261208T141003.123Z-2.log")) << "same millisecond";
}

TEST(RunHistory, AppendsOneEntryPerRunAfterALineACrashCutShort) {
    FakeRecordFolder folder;
    folder.files[kHistoryName] = R"({"time":"2026-01-01T00:00:00Z","status":0})"
                                 "\n"
                                 R"({"time":"2026-01-02T00:00:00Z","sta)";
    RunHistory history(folder, kStart, [](const std::string&) { FAIL(); });
    history.RunStarted(kRun);
    history.SearchEnded(SEARCH_MAIN, MakeIpv4(192, 168, 77, 20), 0x0130, false);
    SearchDiagnosis silent;
    silent.cause = NotFoundCause::SubSilent;
    history.SearchDiagnosed(SEARCH_SUB, silent);
    history.SearchEnded(SEARCH_SUB, 0, 0, false);
    history.ProgramEnded(1, "retry-offered");

    const HistoryRead read = ReadHistory(folder);
    EXPECT_EQ(read.skipped, 1);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(folder.locksTaken, 1);
    const JsonValue& entry = read.entries[1];
    EXPECT_THAT(read.lines[1],
                ::testing::StartsWith(
                    R"({"time":"2026-12-08T14:10:03Z","program":"1.34.1.6","mode":"check",)"
                    R"("outcome":"retry-offered","status":1,"cause":"sub-silent",)"
                    R"("units":{"main":{"address":"192.168.77.20",)"
                    R"("version":"1.30","carried":"1.34"}},"duration_s":)"));
    EXPECT_EQ(entry.Find("units")->Find("sub"), nullptr) << "only the units found";
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
    EXPECT_EQ(read.entries.front().Find("status")->Text(), "1");
    EXPECT_EQ(read.entries.back().Find("outcome")->Text(), "done");
    EXPECT_EQ(read.entries.back().Find("program")->Text(), "1.34.1.6") << "also with no run start";
}

}  // namespace
}  // namespace rlq::testing
