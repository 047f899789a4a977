#pragma once
// A search that gives the finds the test queued, per unit, and journals every search.

#include <deque>
#include <functional>
#include <map>
#include <string>

#include "tests/support/event_log.h"
#include "workflow/unit_search.h"

namespace rlq::testing {

class FakeUnitSearch final : public UnitSearch {
  public:
    explicit FakeUnitSearch(Journal& journal) : m_journal(journal) {}
    // Finds, per unit, in the order they are to be given; an empty queue finds nothing.
    std::map<Unit, std::deque<UnitSlot>> finds;
    std::function<void()> duringSearch;

    UnitSlot Find(Unit unit) override {
        m_journal.push_back("search " + std::string(UnitName(unit)));
        if (duringSearch) {
            duringSearch();
        }
        auto& queue = finds[unit];
        if (queue.empty()) {
            return {};
        }
        UnitSlot found = queue.front();
        queue.pop_front();
        return found;
    }

  private:
    Journal& m_journal;
};

}  // namespace rlq::testing
