#include <gtest/gtest.h>

#include <thread>

#include "common/waitable_flag.h"

namespace rlq {
namespace {

using namespace std::chrono_literals;

TEST(WaitableFlag, WaitEndsAtTheChangeNotAtTheBound) {
    WaitableFlag flag;
    flag.Set();
    std::thread worker([&] {
        std::this_thread::sleep_for(20ms);
        flag.Clear();
    });
    auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(flag.WaitClear(5s));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    worker.join();
    EXPECT_FALSE(flag.WaitSet(10ms));

    std::thread requester([&] {
        std::this_thread::sleep_for(20ms);
        flag.Set();
    });
    before = std::chrono::steady_clock::now();
    EXPECT_TRUE(flag.WaitSet(5s));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    requester.join();
    EXPECT_FALSE(flag.WaitClear(10ms));
}

}  // namespace
}  // namespace rlq
