#pragma once
// A one-byte running/busy flag that a worker clears as its last action and its owner waits on.
// Reads are acquire and the clear is release, so everything the worker wrote before clearing is
// visible to an owner that has seen the flag clear. Waiting wakes on the clear itself instead of
// sleeping a fixed slice, with the caller's bound unchanged.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace rlq {

class WaitableFlag {
  public:
    bool IsSet() const { return m_value.load(std::memory_order_acquire); }

    void Set() {
        std::lock_guard lock(m_mutex);
        m_value.store(true, std::memory_order_release);
    }

    void Clear() {
        {
            std::lock_guard lock(m_mutex);
            m_value.store(false, std::memory_order_release);
        }
        m_changed.notify_all();
    }

    // Returns true when the flag is clear, waiting at most `bound` for that.
    bool WaitClear(std::chrono::milliseconds bound) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, bound, [this] { return !IsSet(); });
    }

    void WaitClear() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !IsSet(); });
    }

  private:
    std::atomic<bool> m_value{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

}  // namespace rlq
