// What the firewall's settings say of the replies, as a table of settings and the finding.

#include <gtest/gtest.h>

#include "workflow/firewall_finding.h"

namespace rlq::testing {
namespace {

using platform::FirewallAction;
using platform::FirewallProfile;
using platform::FirewallProfileKind;
using platform::FirewallProtocol;
using platform::FirewallRule;
using platform::FirewallState;
using Kind = FirewallFindingKind;

constexpr FirewallProfileKind kPublic = FirewallProfileKind::Public;
constexpr FirewallProfileKind kPrivate = FirewallProfileKind::Private;

const FirewallProfile kOn{kPublic, true, false, false};
const FirewallProfile kOff{kPublic, false, true, true};
const FirewallProfile kBlockAll{kPublic, true, true, false};
const FirewallProfile kUnicastOff{kPublic, true, false, true};
const FirewallRule kBlockUdp{
    "RLQ updater", FirewallAction::Block, FirewallProtocol::Udp, true, {kPublic}};
const FirewallRule kAllowUdp{
    "RLQ updater", FirewallAction::Allow, FirewallProtocol::Udp, true, {kPublic}};

FirewallRule With(FirewallRule rule, auto FirewallRule::*field, auto value) {
    rule.*field = value;
    return rule;
}
const FirewallRule kBlockAny = With(kBlockUdp, &FirewallRule::protocol, FirewallProtocol::Any);
const FirewallRule kBlockTcp = With(kBlockUdp, &FirewallRule::protocol, FirewallProtocol::Other);
const FirewallRule kBlockOtherPorts = With(kBlockUdp, &FirewallRule::takesReplyPort, false);
const FirewallRule kAllowPrivate =
    With(kAllowUdp, &FirewallRule::profiles, std::vector<FirewallProfileKind>{kPrivate});

struct Row {
    const char* name;
    FirewallState state;
    Kind kind;
    std::string what = {};  // the rule's or the other firewall's name
    FirewallProfileKind profile = kPublic;
};

const Row kRows[] = {
    {"NothingToTell", {{kOn}, {{}}, {}}, Kind::None},
    {"BlockRuleForThisProgram", {{kOn}, {{kBlockUdp}}, {}}, Kind::BlockingRule, "RLQ updater"},
    {"BlockRuleForAnyProtocol", {{kOn}, {{kBlockAny}}, {}}, Kind::BlockingRule, "RLQ updater"},
    {"BlockRuleForTcpOnly", {{kOn}, {{kBlockTcp}}, {}}, Kind::None},
    {"BlockRuleForOtherPorts", {{kOn}, {{kBlockOtherPorts}}, {}}, Kind::None},
    {"BlockRuleWithTheFirewallOff", {{kOff}, {{kBlockUdp}}, {}}, Kind::None},
    {"BlockRuleWinsOverAllThat",
     {{kUnicastOff}, {{kAllowUdp, kBlockUdp}}, {"Example Shield"}},
     Kind::BlockingRule,
     "RLQ updater"},
    {"BlockAllInbound", {{kBlockAll}, {{kAllowUdp}}, {}}, Kind::BlockAllInbound},
    {"BlockAllInboundOfTheSecondProfile",
     {{{kPrivate, false, true, false}, kBlockAll}, std::nullopt, {}},
     Kind::BlockAllInbound},
    {"BlockAllWithTheFirewallOff", {{kOff}, {{}}, {}}, Kind::None},
    {"FirewallStateUntold", {{{kPublic, std::nullopt, true, true}}, {{}}, {}}, Kind::None},
    {"UnicastRepliesOff", {{kUnicastOff}, {{}}, {}}, Kind::UnicastRepliesOff},
    {"UnicastRepliesOffWithTheProgramAllowed", {{kUnicastOff}, {{kAllowUdp}}, {}}, Kind::None},
    {"UnicastRepliesOffAllowedElsewhere",
     {{kUnicastOff}, {{kAllowPrivate}}, {}},
     Kind::UnicastRepliesOff},
    {"UnicastRepliesOffInThePrivateProfile",
     {{{kPrivate, true, false, true}}, {{kAllowUdp}}, {}},
     Kind::UnicastRepliesOff,
     "",
     kPrivate},
    {"UnicastRepliesOffWithTheRulesUnread", {{kUnicastOff}, std::nullopt, {}}, Kind::None},
    {"OtherMakersFirewall",
     {{kOn}, {{}}, {"Example Shield", "Second"}},
     Kind::OtherFirewall,
     "Example Shield"},
};

class FirewallFindingTest : public ::testing::TestWithParam<Row> {};

TEST_P(FirewallFindingTest, FindsOnlyWhatTheSettingsTell) {
    const Row& row = GetParam();
    const FirewallFinding finding = FindInFirewall(row.state);
    EXPECT_EQ(finding.kind, row.kind);
    EXPECT_EQ(finding.name, row.what);
    if (row.kind == Kind::BlockAllInbound || row.kind == Kind::UnicastRepliesOff) {
        EXPECT_EQ(finding.profile, row.profile);
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, FirewallFindingTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rlq::testing
