// The system's record folder, the same on every system: a private folder of its own, files made
// anew and never overwritten, whole replacement, and a lock. The folder is the test's own.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/record_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace rlq::platform {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kFolderName[] = "RLQ610ATotalUpdater";
#else
constexpr char kFolderName[] = "rlq-updater";
#endif

// Points the system's folder below a fresh temporary one before its first use.
class RecordFolderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        base = fs::temp_directory_path() / ("rlq-records-" + std::to_string(now));
        fs::remove_all(base);
        fs::create_directories(base);
#ifdef _WIN32
        _putenv_s("LOCALAPPDATA", base.string().c_str());
#else
        ::setenv("XDG_STATE_HOME", (base / "state").c_str(), 1);
#endif
    }
    static void TearDownTestSuite() { fs::remove_all(base); }
    static inline fs::path base;
};

TEST_F(RecordFolderTest, MakesFilesAnewAppendsReplacesAndRemoves) {
    RecordFolder& folder = SystemRecordFolder();
    std::string why;
    auto log = folder.CreateNew("run-1.log", why);
    ASSERT_NE(log, nullptr) << why;
    EXPECT_TRUE(log->Append("one\n"));
    EXPECT_TRUE(log->Append("two\n"));
    EXPECT_EQ(folder.CreateNew("run-1.log", why), nullptr) << "an existing file is never reused";
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(folder.Read("run-1.log"), "one\ntwo\n");

    EXPECT_EQ(folder.Read("history.jsonl"), "") << "a missing file reads empty";
    EXPECT_TRUE(folder.Append("history.jsonl", "a\n"));
    EXPECT_TRUE(folder.Append("history.jsonl", "b\n"));
    EXPECT_TRUE(folder.Replace("history.jsonl", "b\nc\n"));
    EXPECT_EQ(folder.Read("history.jsonl"), "b\nc\n");
    {
        auto lock = folder.Lock("history.lock", why);
        EXPECT_NE(lock, nullptr) << why;
    }
    auto names = folder.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"history.jsonl", "history.lock", "run-1.log"}))
        << "nothing of the replacement is left";
    log.reset();  // only a closed log is removed: the oldest, never the run's own
    folder.Remove("run-1.log");
    EXPECT_EQ(folder.Read("run-1.log"), "");
    EXPECT_EQ(fs::path(folder.Path()).filename(), kFolderName);
}

#ifndef _WIN32
// The folder and its files are the user's alone, and a link planted in the folder is never
// written through.
TEST_F(RecordFolderTest, IsPrivateAndFollowsNoLink) {
    RecordFolder& folder = SystemRecordFolder();
    std::string why;
    ASSERT_NE(folder.CreateNew("private.log", why), nullptr) << why;
    struct stat info {};
    ASSERT_EQ(::stat(folder.Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((folder.Path() + "/private.log").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const fs::path target = base / "target";
    fs::create_symlink(target, fs::path(folder.Path()) / "linked.log");
    EXPECT_EQ(folder.CreateNew("linked.log", why), nullptr);
    EXPECT_FALSE(folder.Append("linked.log", "x"));
    EXPECT_FALSE(fs::exists(target));
}
#endif

}  // namespace
}  // namespace rlq::platform
