#pragma once
// The thread a service of the simulated unit serves on, and the one way every service stops: the
// thread waits for its socket in slices of kStopLook and ends at the first slice after Stop.
// Plain standard C++, because the TFTP loader also serves the Windows tests, which have no
// self-pipe to wake a waiting thread with.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <utility>

namespace rlq::sim {

inline constexpr std::chrono::milliseconds kStopLook{50};

class ServiceThread {
  public:
    ServiceThread() = default;
    ~ServiceThread() { Stop(); }
    ServiceThread(const ServiceThread&) = delete;
    ServiceThread& operator=(const ServiceThread&) = delete;

    bool Running() const { return m_thread.joinable(); }

    template <typename Serve>
    void Start(Serve serve) {
        m_stopping.store(false);
        m_thread = std::thread(std::move(serve));
    }

    // Tells the serving thread to end at its next look, without waiting for it.
    void RequestStop() { m_stopping.store(true); }

    // Returns when the serving thread has ended; at once when none runs.
    void Stop() {
        if (!m_thread.joinable()) {
            return;
        }
        RequestStop();
        m_thread.join();
    }

    // On the serving thread: waits until `ready(slice)` (a wait of at most `slice` for a socket)
    // says true. False when Stop was called or, with a bound, when the bound has passed.
    template <typename Ready>
    bool Await(Ready ready, std::optional<std::chrono::milliseconds> bound = std::nullopt) const {
        using Clock = std::chrono::steady_clock;
        const auto deadline = bound ? Clock::now() + *bound : Clock::time_point::max();
        while (!m_stopping.load()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left <= std::chrono::milliseconds::zero()) {
                return false;
            }
            if (ready(std::min(left, kStopLook))) {
                return !m_stopping.load();
            }
        }
        return false;
    }

  private:
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

}  // namespace rlq::sim
