#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/process.h"

namespace rlq {
namespace {

TEST(SingleInstanceGuard, HeldUntilReleasedThenFreeAgain) {
    auto& process = platform::SystemProcess();
    const std::string name = "rlq-test-" + std::to_string(::getpid());
    auto first = process.ClaimSingleInstance(name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(process.ClaimSingleInstance(name), nullptr);
    first.reset();
    auto again = process.ClaimSingleInstance(name);
    EXPECT_NE(again, nullptr);
    again.reset();
    ::unlink(("/run/lock/" + name + ".lock").c_str());
    ::unlink(("/tmp/" + name + ".lock").c_str());
}

TEST(SingleInstanceGuard, AnEndedHolderLeavesNothingHeld) {
    auto& process = platform::SystemProcess();
    const std::string name = "rlq-test-fork-" + std::to_string(::getpid());
    const pid_t child = ::fork();
    if (child == 0) {
        auto guard = process.ClaimSingleInstance(name);
        ::_exit(guard ? 0 : 1);  // ends without releasing anything itself
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(process.ClaimSingleInstance(name), nullptr);
    ::unlink(("/run/lock/" + name + ".lock").c_str());
    ::unlink(("/tmp/" + name + ".lock").c_str());
}

TEST(ProgramPath, NamesThisExecutable) {
    auto path = platform::SystemProcess().ProgramPath();
    ASSERT_TRUE(path);
    EXPECT_NE(path->find("rlq_process_tests"), std::string::npos);
}

}  // namespace
}  // namespace rlq
