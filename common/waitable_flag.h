#pragma once
// A flag that one thread sets or clears and another tests or waits on: a worker's running flag
// that it clears as its last action, or a stop request that a worker's pauses wait on. Reads
// are acquire and writes release, so everything written before a change is visible to a thread
// that has seen it. A wait wakes on the change itself instead of sleeping a fixed slice, with
// the caller's bound unchanged.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace rlq {

class WaitableFlag {
  public:
    bool IsSet() const { return m_value.load(std::memory_order_acquire); }

    void Set() { Store(true); }
    void Clear() { Store(false); }

    // Each returns true when the flag is in that state, waiting at most `bound` for it.
    bool WaitSet(std::chrono::milliseconds bound) { return WaitFor(true, bound); }
    bool WaitClear(std::chrono::milliseconds bound) { return WaitFor(false, bound); }

    void WaitClear() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !IsSet(); });
    }

  private:
    void Store(bool value) {
        {
            std::lock_guard lock(m_mutex);
            m_value.store(value, std::memory_order_release);
        }
        m_changed.notify_all();
    }

    bool WaitFor(bool value, std::chrono::milliseconds bound) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, bound, [this, value] { return IsSet() == value; });
    }

    std::atomic<bool> m_value{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

}  // namespace rlq
