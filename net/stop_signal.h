#pragma once
// A stop request that a worker can both test and wait on, so a pause ends as soon as the
// request arrives instead of running out its full length.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace rlq {

class StopSignal {
  public:
    bool IsRequested() const { return m_requested.load(std::memory_order_acquire); }

    void Request() {
        {
            std::lock_guard lock(m_mutex);
            m_requested.store(true, std::memory_order_release);
        }
        m_changed.notify_all();
    }

    void Reset() {
        std::lock_guard lock(m_mutex);
        m_requested.store(false, std::memory_order_release);
    }

    // Returns true when the stop was requested, waiting at most `bound` for it.
    bool WaitFor(std::chrono::milliseconds bound) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, bound, [this] { return IsRequested(); });
    }

  private:
    std::atomic<bool> m_requested{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

}  // namespace rlq
