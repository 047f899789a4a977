#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/process.h"

namespace rlq {
namespace {

constexpr uid_t kNobody = 65534;

TEST(SingleInstanceGuard, HeldUntilReleasedThenFreeAgain) {
    auto& process = platform::SystemProcess();
    const std::string name = "rlq-test-" + std::to_string(::getpid());
    auto first = process.ClaimSingleInstance(name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(process.ClaimSingleInstance(name), nullptr);
    EXPECT_NE(process.ClaimSingleInstance(name + "-other"), nullptr);
    first.reset();
    EXPECT_NE(process.ClaimSingleInstance(name), nullptr);
}

// A guard that cannot be had at all refuses the start, as another copy would.
TEST(SingleInstanceGuard, FailsClosedWhenTheGuardCannotBeHad) {
    auto& process = platform::SystemProcess();
    EXPECT_EQ(process.ClaimSingleInstance(""), nullptr);
    EXPECT_EQ(process.ClaimSingleInstance(std::string(200, 'x')), nullptr);
}

// A holder of another user and umask, ended without releasing anything itself: held while it
// runs, free once it has gone.
TEST(SingleInstanceGuard, AnotherUsersHolderCountsAndItsEndLeavesNothingHeld) {
    auto& process = platform::SystemProcess();
    const std::string name = "rlq-test-fork-" + std::to_string(::getpid());
    int claimed[2];
    int release[2];
    ASSERT_EQ(::pipe(claimed), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(release[1]);  // so that the parent's close ends the read below
        ::umask(077);
        if (::getuid() == 0 && ::setuid(kNobody) != 0) {
            ::_exit(2);
        }
        auto guard = process.ClaimSingleInstance(name);
        const char held = guard ? 'y' : 'n';
        char ignored;
        ::_exit(::write(claimed[1], &held, 1) == 1 && ::read(release[0], &ignored, 1) >= 0 ? 0 : 1);
    }
    ::close(release[0]);
    ::close(claimed[1]);
    char held = 0;
    ASSERT_EQ(::read(claimed[0], &held, 1), 1);
    EXPECT_EQ(held, 'y');
    EXPECT_EQ(process.ClaimSingleInstance(name), nullptr);
    ::close(release[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(process.ClaimSingleInstance(name), nullptr);
    ::close(claimed[0]);
}

TEST(ProgramPath, NamesThisExecutable) {
    auto path = platform::SystemProcess().ProgramPath();
    ASSERT_TRUE(path);
    EXPECT_NE(path->find("rlq_process_tests"), std::string::npos);
}

}  // namespace
}  // namespace rlq
