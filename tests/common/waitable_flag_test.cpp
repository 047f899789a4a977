#include <gtest/gtest.h>

#include <thread>

#include "common/waitable_flag.h"

namespace rlq {
namespace {

using namespace std::chrono_literals;

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
