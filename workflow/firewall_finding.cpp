#include "workflow/firewall_finding.h"

#include <algorithm>

namespace rlq {
namespace {

using platform::FirewallAction;
using platform::FirewallProfile;
using platform::FirewallProfileKind;
using platform::FirewallRule;

bool FirewallOn(const platform::FirewallState& state, FirewallProfileKind kind) {
    return std::any_of(
        state.profiles.begin(), state.profiles.end(),
        [kind](const FirewallProfile& p) { return p.kind == kind && p.enabled == true; });
}

// In force while the firewall is on, for the replies' datagrams.
bool Covers(const platform::FirewallState& state, const FirewallRule& rule, FirewallAction action,
            FirewallProfileKind profile) {
    return rule.action == action && rule.protocol != platform::FirewallProtocol::Other &&
           rule.takesReplyPort && FirewallOn(state, profile) &&
           std::find(rule.profiles.begin(), rule.profiles.end(), profile) != rule.profiles.end();
}

}  // namespace

FirewallFinding FindInFirewall(const platform::FirewallState& state) {
    const std::vector<FirewallRule> none;
    const std::vector<FirewallRule>& rules = state.rules ? *state.rules : none;
    for (const FirewallRule& rule : rules) {
        for (FirewallProfileKind profile : rule.profiles) {
            if (Covers(state, rule, FirewallAction::Block, profile)) {
                return {FirewallFindingKind::BlockingRule, rule.name, profile};
            }
        }
    }
    for (const FirewallProfile& profile : state.profiles) {
        if (profile.enabled == true && profile.blockAllInbound == true) {
            return {FirewallFindingKind::BlockAllInbound, {}, profile.kind};
        }
    }
    for (const FirewallProfile& profile : state.profiles) {
        const bool allowed = std::any_of(rules.begin(), rules.end(), [&](const FirewallRule& r) {
            return Covers(state, r, FirewallAction::Allow, profile.kind);
        });
        if (state.rules && !allowed && profile.enabled == true &&
            profile.unicastRepliesDisabled == true) {
            return {FirewallFindingKind::UnicastRepliesOff, {}, profile.kind};
        }
    }
    if (!state.otherFirewalls.empty()) {
        return {FirewallFindingKind::OtherFirewall, state.otherFirewalls.front(), {}};
    }
    return {};
}

}  // namespace rlq
