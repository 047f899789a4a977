#pragma once
// A clock in virtual milliseconds: doubles that would wait advance it instead of sleeping.

#include <atomic>
#include <chrono>
#include <cstdint>

namespace rlq::testing {

class FakeTime {
  public:
    void Advance(std::chrono::milliseconds step) { m_ms += step.count(); }
    std::int64_t WholeSeconds() const { return m_ms / 1000; }
    std::chrono::steady_clock::time_point Now() const {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(m_ms));
    }

  private:
    std::atomic<std::int64_t> m_ms{0};
};

}  // namespace rlq::testing
