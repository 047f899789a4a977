#pragma once
// The listeners of one layer's events. A layer declares what it reports as an observer
// interface of its own (one virtual function per event, doing nothing by default); whoever
// reports holds the listeners of that interface and tells each event to all of them in the
// order they were added. A new event is one function in the interface, the places that report
// it, and an override in each listener that wants it.

#include <vector>

namespace rlq {

template <class Observer>
class Listeners {
  public:
    void Add(Observer& listener) { m_listeners.push_back(&listener); }

    template <class... Params, class... Args>
    void Tell(void (Observer::*event)(Params...), const Args&... args) const {
        for (Observer* listener : m_listeners) {
            (listener->*event)(args...);
        }
    }

  private:
    std::vector<Observer*> m_listeners;
};

// The listeners of a part built without any.
template <class Observer>
const Listeners<Observer>& NoListeners() {
    static const Listeners<Observer> nobody;
    return nobody;
}

}  // namespace rlq
