#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include <string>

#include "common/ipv4.h"
#include "common/waitable_flag.h"
#include "platform/process.h"

namespace rlq {
namespace {

using namespace std::chrono_literals;

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
    EXPECT_NE(path->find("rlq_platform_tests"), std::string::npos);
}

TEST(Ipv4, FormatsAndParsesDottedQuads) {
    EXPECT_EQ(FormatIpv4(0x0A0A0101), "10.10.1.1");
    EXPECT_EQ(FormatIpv4(0xFFFFFFFF), "255.255.255.255");
    EXPECT_EQ(ParseIpv4("192.168.0.5"), 0xC0A80005u);
    EXPECT_EQ(ParseIpv4("0.0.0.0"), 0u);
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "a.b.c.d", "1.2.3.4 ", "0001.2.3.4"}) {
        EXPECT_FALSE(ParseIpv4(bad)) << bad;
    }
}

TEST(WaitableFlag, WaitEndsAtTheClearNotAtTheBound) {
    WaitableFlag flag;
    flag.Set();
    std::thread worker([&] {
        std::this_thread::sleep_for(20ms);
        flag.Clear();
    });
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(flag.WaitClear(5s));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    worker.join();
    flag.Set();
    EXPECT_FALSE(flag.WaitClear(10ms));
}

}  // namespace
}  // namespace rlq
