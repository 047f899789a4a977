// The firewall's settings as the real interfaces give them, and the rules' port lists. Under
// Wine the policy refuses every setting (E_NOTIMPL) and no products are registered: untold.

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstdio>
#include <set>

#include "common/unit_network.h"
#include "platform/search_probes.h"
#include "platform/win32/firewall_state.h"

namespace rlq::platform {
namespace {

const char* Told(const std::optional<bool>& setting) {
    return !setting ? "untold" : *setting ? "yes" : "no";
}

// Prints what was read, for the test output to keep, and checks that it holds together.
void PrintAndCheck(const std::optional<FirewallState>& state) {
    if (!state) {
        std::printf("firewall: untold\n");
        return;
    }
    std::set<FirewallProfileKind> kinds;
    for (const FirewallProfile& p : state->profiles) {
        std::printf("profile %d: on %s, block all inbound %s, unicast replies off %s\n",
                    static_cast<int>(p.kind), Told(p.enabled), Told(p.blockAllInbound),
                    Told(p.unicastRepliesDisabled));
        EXPECT_TRUE(kinds.insert(p.kind).second) << "a profile listed twice";
    }
    for (const FirewallRule& rule : state->rules.value_or(std::vector<FirewallRule>{})) {
        std::printf("rule: %s\n", rule.name.c_str());
        EXPECT_FALSE(rule.profiles.empty()) << rule.name;
    }
    for (const std::string& name : state->otherFirewalls) {
        std::printf("other firewall: %s\n", name.c_str());
    }
}

TEST(FirewallStateTest, ReadsTheSettingsOrTellsNothing) {
    PrintAndCheck(SystemSearchProbes().Firewall(kDiscoveryReplyPort));
}

// The search dialog's thread may have set up COM for a single-threaded apartment: the read
// uses it as it is and leaves it set up.
TEST(FirewallStateTest, LeavesACallersApartmentAsItWas) {
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    PrintAndCheck(SystemSearchProbes().Firewall(kDiscoveryReplyPort));
    EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE) << "uninitialised";
    ::CoUninitialize();
    ::CoUninitialize();
}

TEST(FirewallStateTest, LocalPortsHoldTheReplyPort) {
    const std::pair<const char*, bool> kLists[] = {
        {"*", true},
        {"12104", true},
        {"12103", false},
        {"12000-12200", true},
        {"80,12104,443", true},
        {"80,443", false},
        {"RPC-EPMap", false},
        {"", false},
        {"12104-", false},
    };
    for (const auto& [ports, holds] : kLists) {
        EXPECT_EQ(win32::LocalPortsHold(ports, kDiscoveryReplyPort), holds) << ports;
    }
}

}  // namespace
}  // namespace rlq::platform
