// The queue between a worker that reports and the thread that owns the listeners.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/event_queue.h"

namespace rlq {
namespace {

using namespace std::chrono_literals;

class Heard {
  public:
    virtual ~Heard() = default;
    virtual void Request(std::string_view url, unsigned status) {
        seen.push_back(std::string(url) + " " + std::to_string(status));
    }
    virtual void Removed() { seen.push_back("removed"); }
    std::vector<std::string> seen;
};

// Nothing is told before the owner delivers; then all of it, in order, with texts of its own;
// what found the queue full is only counted, once.
TEST(EventQueue, HoldsCopiesInOrderAndCountsWhatFoundItFull) {
    Heard heard;
    Listeners<Heard> listeners;
    listeners.Add(heard);
    EventQueue queue(2);
    {
        std::string url = "http://10.1.2.3/update_reset";
        EXPECT_TRUE(queue.Push(listeners, &Heard::Request, std::string_view(url), 204u))
            << "the first into an empty queue wakes the owner";
        url.assign(url.size(), 'x');
    }
    EXPECT_FALSE(queue.Push(listeners, &Heard::Removed));
    EXPECT_FALSE(queue.Push(listeners, &Heard::Removed)) << "full: dropped";
    EXPECT_TRUE(heard.seen.empty());
    EXPECT_EQ(queue.Deliver(), 1u);
    EXPECT_THAT(heard.seen, ::testing::ElementsAre("http://10.1.2.3/update_reset 204", "removed"));
    EXPECT_EQ(queue.Deliver(), 0u);
    EXPECT_TRUE(queue.Push(listeners, &Heard::Removed));
}

}  // namespace
}  // namespace rlq
