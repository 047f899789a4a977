#pragma once
// The looks at the host for a search that may find nothing. The arrival capture opens with the
// search, before any request goes out; the rest runs only once the search has given up (never
// for a cancel), on a thread of its own, while the dialog waits for the user: neither the search
// nor the window waits for it, and what has not ended within a bound tells nothing.

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/search_probes.h"
#include "workflow/search_diagnosis.h"

namespace rlq {

inline constexpr std::chrono::milliseconds kProbeBound{3000};

class SearchProbing {
  public:
    explicit SearchProbing(platform::SearchProbes& probes);
    // Leaves a look still running past its bound to end by itself.
    ~SearchProbing();
    SearchProbing(const SearchProbing&) = delete;
    SearchProbing& operator=(const SearchProbing&) = delete;

    // Once the search has given up; later calls do nothing. `ended` is called on the looks'
    // thread when they have ended, unless StopNotifying came first.
    void Start(std::function<void()> ended = {});
    // After this returns, `ended` is not called and is not running.
    void StopNotifying();
    bool Started() const { return m_started; }
    // What the looks found, waiting for them at most `bound`; empty when not started or not
    // ended by then.
    ProbeAnswers Answers(std::chrono::milliseconds bound = kProbeBound);

  private:
    struct Looks;
    platform::SearchProbes& m_probes;
    std::shared_ptr<Looks> m_looks;
    std::thread m_thread;
    bool m_started = false;
};

}  // namespace rlq
