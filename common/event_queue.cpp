#include "common/event_queue.h"

namespace rlq {

bool EventQueue::Put(std::function<void()> event) {
    std::lock_guard held(m_lock);
    if (m_events.size() >= m_capacity) {
        ++m_dropped;
        return false;
    }
    m_events.push_back(std::move(event));
    return m_events.size() == 1;
}

std::size_t EventQueue::Deliver() {
    std::deque<std::function<void()>> events;
    std::size_t dropped = 0;
    {
        std::lock_guard held(m_lock);
        events.swap(m_events);
        std::swap(dropped, m_dropped);
    }
    for (const std::function<void()>& event : events) {
        event();
    }
    return dropped;
}

}  // namespace rlq
