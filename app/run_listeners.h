#pragma once
// Everyone who hears a run: the listeners of each layer's events in one place. A listener is
// added once and hears every kind of event whose observer it is.

#include <type_traits>

#include "app/program_events.h"
#include "firmware/transfer_events.h"
#include "net/net_events.h"
#include "workflow/sequence_events.h"

namespace rlq {

class RunListeners final : public NetListeners,
                           public TransferListeners,
                           public SequenceListeners,
                           public ProgramListeners {
  public:
    template <class Listener>
    void Add(Listener& listener) {
        AddTo<NetObserver>(listener);
        AddTo<TransferObserver>(listener);
        AddTo<SequenceObserver>(listener);
        AddTo<ProgramObserver>(listener);
    }

    WorkflowListeners Workflow() const { return {*this, *this, *this}; }

    using NetListeners::Tell;
    using ProgramListeners::Tell;
    using SequenceListeners::Tell;
    using TransferListeners::Tell;

  private:
    template <class Observer, class Listener>
    void AddTo(Listener& listener) {
        if constexpr (std::is_base_of_v<Observer, Listener>) {
            Listeners<Observer>::Add(listener);
        }
    }
};

inline const RunListeners& NoRunListeners() {
    static const RunListeners nobody;
    return nobody;
}

}  // namespace rlq
