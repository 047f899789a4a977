#pragma once
// What a worker thread reports, held until the thread that owns the listeners hands it on, so
// that no worker ever waits on a listener (a log write, a console line). Bounded: an event that
// finds the queue full is dropped and counted, and the owner learns how many on delivery.

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "common/listeners.h"

namespace rlq {

inline constexpr std::size_t kEventQueueCapacity = 4096;

// How a queued event keeps an argument: by value, and a text as a string of its own.
template <class Param>
struct QueuedValue {
    using type = std::decay_t<Param>;
};
template <class Param>
requires std::is_same_v<std::decay_t<Param>, std::string_view>
struct QueuedValue<Param> {
    using type = std::string;
};

class EventQueue {
  public:
    explicit EventQueue(std::size_t capacity = kEventQueueCapacity) : m_capacity(capacity) {}

    // Any thread; queues `event` told to `listeners`, which must outlive the delivery, with
    // copies of `args`. True when the queue was empty: the owner may want a wake-up.
    template <class Observer, class... Params, class... Args>
    bool Push(const Listeners<Observer>& listeners, void (Observer::*event)(Params...),
              const Args&... args) {
        return Put([&listeners, event,
                    values = std::make_tuple(typename QueuedValue<Params>::type(args)...)] {
            std::apply([&](const auto&... held) { listeners.Tell(event, held...); }, values);
        });
    }

    // The owner's thread: tells what was queued, in order. Returns how many events were dropped
    // since the last delivery.
    std::size_t Deliver();

  private:
    bool Put(std::function<void()> event);

    const std::size_t m_capacity;
    std::mutex m_lock;
    std::deque<std::function<void()>> m_events;
    std::size_t m_dropped = 0;
};

}  // namespace rlq
