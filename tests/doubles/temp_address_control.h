#pragma once
// The temporary address as a state shared by every control a run makes: adds can be made to fail
// a given number of times, and an add while the address is held fails the test.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "net/temp_address_control.h"
#include "tests/support/event_log.h"

namespace rlq::testing {

struct TempAddressState {
    bool held = false;
    int addFailuresLeft = 0;
};

class FakeTempAddressControl final : public TempAddressControl {
  public:
    FakeTempAddressControl(Journal& journal, TempAddressState& state)
        : m_journal(journal), m_state(state) {}
    void AddTempAddress(std::uint32_t interfaceIndex, std::int32_t& failed) override {
        m_journal.push_back("add " + std::to_string(interfaceIndex));
        EXPECT_FALSE(m_state.held) << "added twice without a delete";
        if (m_state.addFailuresLeft > 0) {
            --m_state.addFailuresLeft;
            failed = 1;
            return;
        }
        m_state.held = true;
        failed = 0;
    }
    void DeleteTempAddress() override {
        m_journal.push_back("delete");
        m_state.held = false;
    }

  private:
    Journal& m_journal;
    TempAddressState& m_state;
};

}  // namespace rlq::testing
