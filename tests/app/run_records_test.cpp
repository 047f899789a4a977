// The run log as a listener of a run, on the record folder double.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <regex>
#include <thread>

#include "app/run_log.h"
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
        log.AdaptersSeen(
            {{"pc0", 2, 6, 5, false, true, {{MakeIpv4(192, 168, 77, 10), PrefixMask(24)}}}});
        log.ReplyReceived(
            {MakeIpv4(10, 0, 0, 9), 16, 0x0200, 0x82, 0x0130, ReplyVerdict::NewerFormat});
        SearchDiagnosis conflict;
        conflict.cause = NotFoundCause::RouteConflict;
        conflict.route = {MakeIpv4(10, 1, 0, 0), PrefixMask(16)};
        conflict.interfaceName = "tun0";
        conflict.adapters = {
            {"pc0", true, {{MakeIpv4(192, 168, 77, 10), PrefixMask(24)}}, 12, 0, 0}};
        log.SearchDiagnosed(Unit::Sub, conflict);
        log.DiscoveryEventsDropped(12);
        log.HttpRequestEnded(MakeIpv4(10, 1, 2, 3), "update_reset", 0, "a\r\nb",
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
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(echoed, folder.files["run-20261208T141003.123Z.log"]) << "--verbose: the same lines";
    EXPECT_THAT(lines[0], HasSubstr("2026-12-08T14:10:03Z in /state/rlq-updater"));
    EXPECT_THAT(lines[1],
                HasSubstr("run-start program 1.34.1.6, mode check, carried main 1.34 sub 1.06"));
    EXPECT_THAT(lines[2], HasSubstr("adapter pc0 index 2 type 6 state 5 static: 192.168.77.10/24"))
        << "masks as prefix lengths, as everywhere in the log";
    EXPECT_THAT(lines[3], HasSubstr("reply from 10.0.0.9: 16 bytes, format 0x0200, kind 0x82, "
                                    "version 1.30, rejected: a newer format"));
    EXPECT_THAT(lines[4], HasSubstr("search-cause sub route-conflict: 10.1.0.0/16 on tun0"));
    EXPECT_THAT(lines[5],
                HasSubstr("searched pc0 link up 192.168.77.10/24, sent 12, replies 0, rejected 0"));
    EXPECT_THAT(lines[6],
                HasSubstr("log-dropped 12 discovery events: the search's queue was full"));
    EXPECT_THAT(lines[7],
                HasSubstr("http POST http://10.1.2.3/update_reset -> error: a / b in 12 ms"));
    EXPECT_THAT(lines[8], HasSubstr("program-end status 3 (update-needed)"));
}

// Neither a folder that cannot be used nor a disk that fills up stops the run; each is told once.
TEST(RunLog, AFolderThatCannotBeUsedOrFillsUpIsToldOnce) {
    for (const bool fullLater : {false, true}) {
        FakeRecordFolder folder;
        folder.unusable = !fullLater;
        int failures = 0;
        {
            RunLog log(folder, kStart, [&](const std::string&) { ++failures; });
            folder.diskFull = fullLater;
            log.RunStarted(kRun);
            log.SearchStarted(Unit::Main);
        }
        EXPECT_EQ(failures, 1) << fullLater;
    }
    FakeRecordFolder folder;
    RunLog first(folder, kStart, [](const std::string&) {});
    RunLog second(folder, kStart, [](const std::string&) {});
    EXPECT_TRUE(folder.files.contains("run-20261208T141003.123Z-2.log")) << "same millisecond";
}

// An echo that stalls, as a full pipe or a paused terminal does, until the gate opens.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;
    std::string echoed;

    static LogEcho Stall(std::shared_ptr<Gate> gate) {
        return [gate](const std::string& line) {
            std::unique_lock held(gate->lock);
            gate->entered = true;
            gate->changed.notify_all();
            gate->changed.wait(held, [&] { return gate->open; });
            gate->echoed += line;
        };
    }
    void AwaitEntered() {
        std::unique_lock held(lock);
        changed.wait(held, [this] { return entered; });
    }
    void Open() {
        std::lock_guard held(lock);
        open = true;
        changed.notify_all();
    }
};

// A stalled echo costs its own lines, never the run's time nor the file's lines: the file goes on
// while the echo waits, lines beyond the echo's bound are dropped and counted, and the end waits
// for the writer only so long.
TEST(RunLog, AStalledWriteCostsLinesNeverTheRun) {
    using std::chrono::steady_clock;
    constexpr std::size_t kWhileStalled = 100;
    constexpr std::size_t kBeyond = 10;
    const std::string name = "run-20261208T141003.123Z.log";
    FakeRecordFolder folder;
    auto gate = std::make_shared<Gate>();
    {
        RunLog log(
            folder, kStart, [](const std::string&) {}, Gate::Stall(gate));
        gate->AwaitEntered();  // the echo's writer holds the first line
        for (std::size_t i = 0; i < kWhileStalled; ++i) {
            log.SearchStarted(Unit::Main);
        }
        std::size_t written = 0;
        for (int i = 0; i < 500 && written < 1 + kWhileStalled; ++i) {
            written = Lines(folder.Read(name).value_or("")).size();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(written, 1 + kWhileStalled) << "the file does not wait for the echo";
        const auto began = steady_clock::now();
        for (std::size_t i = kWhileStalled; i < kLogQueueLines + kBeyond; ++i) {
            log.SearchStarted(Unit::Main);
        }
        EXPECT_LT(steady_clock::now() - began, std::chrono::seconds(1));
        gate->Open();
    }
    const auto echoed = Lines(gate->echoed);
    ASSERT_EQ(echoed.size(), 1 + kLogQueueLines + 1);
    EXPECT_THAT(echoed[kLogQueueLines], HasSubstr("search-start main"));
    EXPECT_THAT(echoed.back(), HasSubstr("log-dropped 10 lines: the log could not keep up"));

    // Stalled for good, with no file: the end leaves the writer, which ends once its write does.
    folder.unusable = true;
    gate = std::make_shared<Gate>();
    const auto began = steady_clock::now();
    {
        RunLog log(
            folder, kStart, [](const std::string&) {}, Gate::Stall(gate));
        log.ProgramEnded(0, "done");
    }
    const auto took = steady_clock::now() - began;
    EXPECT_GE(took, kLogDrainBound);
    EXPECT_LT(took, kLogDrainBound + std::chrono::seconds(1));
    gate->Open();
    for (int i = 0; i < 500 && gate.use_count() > 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(gate.use_count(), 1) << "the writer let go of its echo";
}

}  // namespace
}  // namespace rlq::testing
