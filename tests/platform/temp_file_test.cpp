#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/temp_file_posix.h"
#include "platform/support/exit_cleanup.h"
#include "platform/temp_file.h"
#include "tests/doubles/host_network.h"

namespace rlq::platform {
namespace {

class TempFolder {
  public:
    TempFolder() {
        char pattern[] = "/tmp/rlq-temp-test-XXXXXX";
        m_path = ::mkdtemp(pattern);
    }
    ~TempFolder() { std::system(("rm -rf '" + m_path + "'").c_str()); }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

TEST(TempFiles, CreatesAPrivateNewFileThatHoldsWhatWasPut) {
    TempFolder folder;
    auto& files = SystemTempFiles();
    auto file = files.CreateIn(folder.Path());
    ASSERT_NE(file, nullptr);
    const std::string path = file->Path();
    EXPECT_EQ(path.rfind(folder.Path() + "/.rlq-", 0), 0u);
    for (int i = 0; i < 100000; ++i) {
        ASSERT_TRUE(file->Put(static_cast<std::uint8_t>(i)));
    }
    ASSERT_TRUE(file->Close());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(bytes.size(), 100000u);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[99999]), static_cast<std::uint8_t>(99999));
    files.Remove(path);
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
    files.Remove(path);  // a missing file is ignored
}

TEST(TempFiles, NamesDifferAndAnUnwritableFolderGivesNoFile) {
    TempFolder folder;
    auto& files = SystemTempFiles();
    auto first = files.CreateIn(folder.Path());
    auto second = files.CreateIn(folder.Path());
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->Path(), second->Path());
    EXPECT_EQ(files.CreateIn(folder.Path() + "/missing"), nullptr);
}

TEST(TempFiles, NeverOpensOrFollowsWhatIsPlantedAtItsNames) {
    TempFolder folder;
    const std::string target = folder.Path() + "/target";
    { std::ofstream(target) << "keep"; }
    ASSERT_EQ(::symlink(target.c_str(), (folder.Path() + "/.rlq-a.tmp").c_str()), 0);
    ASSERT_EQ(::symlink("/nonexistent", (folder.Path() + "/.rlq-b.tmp").c_str()), 0);
    { std::ofstream(folder.Path() + "/.rlq-c.tmp") << "planted"; }
    int next = 0;
    auto files =
        MakeSystemTempFiles([&] { return std::string(".rlq-") + "abcd"[next++] + ".tmp"; });
    auto file = files->CreateIn(folder.Path());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Path(), folder.Path() + "/.rlq-d.tmp");
    ASSERT_TRUE(file->Put('x') && file->Close());
    std::ifstream kept(target);
    std::string text;
    kept >> text;
    EXPECT_EQ(text, "keep");
    std::ifstream planted(folder.Path() + "/.rlq-c.tmp");
    planted >> text;
    EXPECT_EQ(text, "planted");
    struct stat info {};
    EXPECT_EQ(::lstat((folder.Path() + "/.rlq-b.tmp").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "a dangling link is not followed to create its target";
    EXPECT_NE(::access("/nonexistent", F_OK), 0);
}

// The id of a process that has ended.
pid_t DeadProcessId() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

TEST(TempFiles, LeftoversOfDeadRunsGoAndNothingElse) {
    TempFolder folder;
    const auto dir = folder.Path() + "/";
    const auto dead = std::to_string(DeadProcessId());
    const auto alive = std::to_string(::getpid());
    const std::string random = "-00112233aabbccdd.tmp";
    { std::ofstream(dir + "target") << "keep"; }
    const std::vector<std::string> gone = {".rlq-" + dead + random};
    std::vector<std::string> kept = {
        ".rlq-" + alive + random,          // a run that is still on
        ".rlq-" + dead + "-00112233.tmp",  // not our pattern
        ".rlq-0" + dead + random,          // not a number we write
        "rlq-" + dead + random,            // not our pattern
        ".rlq-" + dead + "-00112233aabbccdX.tmp",
        "target",
    };
    for (const auto& name : gone) {
        std::ofstream(dir + name) << "x";
    }
    for (const auto& name : kept) {
        if (name != "target") {
            std::ofstream(dir + name) << "x";
        }
    }
    const std::string link = ".rlq-" + dead + "-ffffffffffffffff.tmp";
    ASSERT_EQ(::symlink((dir + "target").c_str(), (dir + link).c_str()), 0);
    kept.push_back(link);
    const std::string folderName = ".rlq-" + dead + "-eeeeeeeeeeeeeeee.tmp";
    ASSERT_EQ(::mkdir((dir + folderName).c_str(), 0700), 0);
    kept.push_back(folderName);
    if (::geteuid() == 0) {
        const std::string others = ".rlq-" + dead + "-dddddddddddddddd.tmp";
        std::ofstream(dir + others) << "x";
        ASSERT_EQ(::chown((dir + others).c_str(), 65534, 65534), 0);
        kept.push_back(others);
    }

    SystemTempFiles().RemoveLeftovers(folder.Path());
    for (const auto& name : gone) {
        EXPECT_FALSE(Exists(dir + name)) << name;
    }
    for (const auto& name : kept) {
        EXPECT_TRUE(Exists(dir + name)) << name;
    }
    std::ifstream target(dir + "target");
    std::string text;
    target >> text;
    EXPECT_EQ(text, "keep");
    SystemTempFiles().RemoveLeftovers(folder.Path() + "/missing");  // ignored
}

TEST(TempFiles, ANewFileNamesItsOwnerSoThatItIsNeverTakenForALeftover) {
    TempFolder folder;
    auto file = SystemTempFiles().CreateIn(folder.Path());
    ASSERT_NE(file, nullptr);
    EXPECT_NE(file->Path().find("/.rlq-" + std::to_string(::getpid()) + "-"), std::string::npos);
    SystemTempFiles().RemoveLeftovers(folder.Path());
    EXPECT_TRUE(Exists(file->Path()));
}

TEST(ExitCleanup, UndoesLeasesAndFilesOnceWhicheverComesFirst) {
    ExitCleanup cleanup;
    testing::FakeHostNetwork host;
    CleanupTrackingHostNetwork tracked(host, cleanup);
    auto early = tracked.AddAddress(3, 1, 2);
    auto late = tracked.AddAddress(3, 1, 2);
    early.reset();
    EXPECT_EQ(host.held, 1);

    TempFolder folder;
    CleanupTrackingTempFiles files(SystemTempFiles(), cleanup);
    auto file = files.CreateIn(folder.Path());
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Close());

    cleanup.RunAll();  // as on SIGTERM
    EXPECT_EQ(host.held, 0);
    EXPECT_NE(::access(file->Path().c_str(), F_OK), 0);
    late.reset();
    files.Remove(file->Path());
    EXPECT_EQ(host.held, 0) << "an undone lease is not undone twice";

    // The process is ending: what another thread asks for now is refused, not left behind.
    EXPECT_EQ(tracked.AddAddress(3, 1, 2), nullptr);
    EXPECT_EQ(files.CreateIn(folder.Path()), nullptr);
}

// A termination signal handled while an address is being added waits for the add and removes it:
// nothing lies between the address being there and being registered.
TEST(ExitCleanup, ASignalDuringAnAddWaitsForItAndUndoesIt) {
    testing::FakeHostNetwork host;
    std::mutex lock;
    std::condition_variable changed;
    bool adding = false;
    bool release = false;
    host.duringAdd = [&] {
        std::unique_lock hold(lock);
        adding = true;
        changed.notify_all();
        changed.wait(hold, [&] { return release; });
    };
    ExitCleanup cleanup;
    CleanupTrackingHostNetwork tracked(host, cleanup);
    std::unique_ptr<AddressLease> lease;
    std::thread adder([&] { lease = tracked.AddAddress(3, 1, 2); });
    {
        std::unique_lock hold(lock);
        changed.wait(hold, [&] { return adding; });
    }
    std::thread signal([&] { cleanup.RunAll(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    {
        std::lock_guard hold(lock);
        release = true;
    }
    changed.notify_all();
    adder.join();
    signal.join();
    EXPECT_EQ(host.adds, 1);
    EXPECT_EQ(host.held, 0);
    lease.reset();
    EXPECT_EQ(host.held, 0);
}

}  // namespace
}  // namespace rlq::platform
