#pragma once
// What happened, in order, across the doubles of one test: EventLog for doubles that worker
// threads call, Journal for those that only the test's own thread calls.

#include <mutex>
#include <string>
#include <vector>

namespace rlq::testing {

class EventLog {
  public:
    void Add(std::string event) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    std::vector<std::string> Events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
};

using Journal = std::vector<std::string>;

}  // namespace rlq::testing
