// Why a search found nothing, as a table of what it saw and what the looks at the host told.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "common/temp_address.h"
#include "net/adapter_list.h"
#include "net/reply.h"
#include "workflow/cause_texts.h"
#include "workflow/search_diagnosis.h"

// The rows name only the fields that differ from a plain search.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace rlq::testing {
namespace {

constexpr std::uint32_t kPc = 2;
constexpr std::uint32_t kVpn = 7;
constexpr Ipv4 kPcAddress = MakeIpv4(192, 168, 77, 10);
constexpr Ipv4 kMainUnit = MakeIpv4(192, 168, 77, 20);
constexpr Ipv4 kDevice = MakeIpv4(192, 168, 77, 99);

AdapterReport Adapter(std::string name, std::uint32_t index, std::uint32_t type,
                      std::uint32_t state, std::vector<MaskedAddress> addresses) {
    const bool usable = type == platform::kIfTypeEthernet && IsUsableOperStatus(state);
    return {std::move(name), index, type, state, false, usable, std::move(addresses)};
}
const AdapterReport kLoopback = Adapter("lo", 1, platform::kIfTypeSoftwareLoopback, 5,
                                        {{MakeIpv4(127, 0, 0, 1), PrefixMask(8)}});
const AdapterReport kWired =
    Adapter("pc0", kPc, platform::kIfTypeEthernet, 5, {{kPcAddress, PrefixMask(24)}});

// The firewall's settings: a rule that blocks this program, or only another maker's firewall.
void BlockingRule(ProbeAnswers& p) {
    using namespace platform;
    FirewallRule rule{"RLQ updater", FirewallAction::Block, FirewallProtocol::Udp, true};
    rule.profiles = {FirewallProfileKind::Public};
    p.firewall = FirewallState{{{FirewallProfileKind::Public, true, false, false}}, {{rule}}, {}};
}
void ArrivalsBesideTheRule(ProbeAnswers& p) {
    BlockingRule(p);
    p.arrivals = std::vector<Ipv4>{kMainUnit};
}
void OtherFirewall(ProbeAnswers& p) {
    p.firewall = platform::FirewallState{{}, std::nullopt, {"Example Shield"}};
}

// What one search saw, as its passes record it.
struct Seen {
    std::vector<AdapterReport> adapters{kLoopback, kWired};
    bool ownPass = true;  // a pass from pc0's own address
    Ipv4 ownAddress = kPcAddress;
    bool tempPass = false;  // a pass through the temporary address on pc0
    bool tempRefused = false;
    bool socketRefused = false;
    bool sendsRefused = false;          // the system sent none of the passes' requests
    std::vector<ReplyVerdict> replies;  // received on the first pass that ran
};

struct Row {
    const char* name;
    std::int32_t kind;
    Seen seen;
    std::function<void(ProbeAnswers&)> host;
    NotFoundCause cause;
    std::string detail;
    bool mayChangeAddresses = true;
    Ipv4 mainUnit;
};

SearchDiagnosis Diagnose(const Row& row) {
    ProbeAnswers probes;
    if (row.host) {
        row.host(probes);
    }
    SearchSeen seen{row.kind, row.mainUnit, row.mayChangeAddresses, row.seen.adapters, {}};
    const DiscoveryPass own{row.seen.ownAddress, MakeIpv4(192, 168, 77, 255), kPc, false};
    const DiscoveryPass temp{kTempAddress, MakeIpv4(10, 255, 255, 255), kPc, true};
    if (row.seen.socketRefused) {
        seen.passes.push_back({.pass = own, .socketRefused = true});
    }
    if (row.seen.tempRefused) {
        seen.passes.push_back({.pass = temp, .tempAddressRefused = true});
    }
    auto pass = [&](const DiscoveryPass& p) {
        PassRecord& record = seen.passes.emplace_back(PassRecord{.pass = p, .sent = 12});
        if (row.seen.sendsRefused) {
            record.sent = 0;
            record.refused = {12, {1, "Operation not permitted"}};
        }
        for (ReplyVerdict verdict : row.seen.replies) {
            record.datagrams.push_back({kDevice, 16, 0x0200, 0x82, 0x0130, verdict});
            ++record.received;
            record.rejected += verdict != ReplyVerdict::Accepted ? 1 : 0;
        }
    };
    if (row.seen.ownPass) {
        pass(own);
    }
    if (row.seen.tempPass) {
        pass(temp);
    }
    return rlq::Diagnose(seen, probes);
}

const Row kRows[] = {
    {"RequestsWithoutAnswer", SEARCH_MAIN, {}, {}, NotFoundCause::NoReply, ""},
    {"OnlyWifi",
     SEARCH_MAIN,
     {.adapters = {kLoopback, Adapter("wlan0", 3, platform::kIfTypeIeee80211, 5, {})},
      .ownPass = false},
     {},
     NotFoundCause::NoEthernet,
     ""},
    {"NoCarrier",
     SEARCH_MAIN,
     {.adapters = {kLoopback, Adapter("pc0", kPc, platform::kIfTypeEthernet, 2, {})},
      .ownPass = false},
     {},
     NotFoundCause::NoLink,
     ""},
    {"LinkWithoutAddress",
     SEARCH_MAIN,
     {.adapters = {kLoopback, Adapter("pc0", kPc, platform::kIfTypeEthernet, 5, {})},
      .ownPass = false},
     {},
     NotFoundCause::NoAddress,
     ""},
    {"OnlyLinkLocal",
     SEARCH_MAIN,
     {.adapters = {kLoopback, Adapter("pc0", kPc, platform::kIfTypeEthernet, 5,
                                      {{MakeIpv4(169, 254, 3, 4), PrefixMask(16)}})}},
     {},
     NotFoundCause::NoAddress,
     ""},
    {"AdaptersUnread",
     SEARCH_MAIN,
     {.adapters = {}, .ownPass = false},
     {},
     NotFoundCause::NoReply,
     ""},
    {"PortHeld",
     SEARCH_MAIN,
     {.ownPass = false, .socketRefused = true},
     [](ProbeAnswers& p) {
         p.portHolders = {{4242, "python3"}};
     },
     NotFoundCause::PortInUse,
     "python3 (pid 4242)"},
    {"PortHeldByAProgramWithoutName",
     SEARCH_MAIN,
     {.ownPass = false, .socketRefused = true},
     [](ProbeAnswers& p) {
         p.portHolders = {{4242, ""}};
     },
     NotFoundCause::PortInUse,
     "pid 4242"},
    {"SocketRefusedByNobodyKnown",
     SEARCH_MAIN,
     {.ownPass = false, .socketRefused = true},
     {},
     NotFoundCause::NoReply,
     ""},
    {"NewerFormat",
     SEARCH_MAIN,
     {.replies = {ReplyVerdict::NewerFormat}},
     {},
     NotFoundCause::ForeignReply,
     "192.168.77.99 format 0x0200"},
    {"OtherUnitIsNoForeigner",
     SEARCH_MAIN,
     {.replies = {ReplyVerdict::KindNotWanted}},
     {},
     NotFoundCause::NoReply,
     ""},
    {"RepliesStoppedBeforeTheProgram",
     SEARCH_MAIN,
     {},
     [](ProbeAnswers& p) { p.arrivals = std::vector<Ipv4>{kMainUnit}; },
     NotFoundCause::ReplyBlocked,
     "from 192.168.77.20"},
    {"ArrivalsThatTheSocketGotToo",
     SEARCH_MAIN,
     {.replies = {ReplyVerdict::KindNotWanted}},
     [](ProbeAnswers& p) { p.arrivals = std::vector<Ipv4>{kDevice}; },
     NotFoundCause::NoReply,
     ""},
    {"VpnRouteInsideTheTempNetwork",
     SEARCH_SUB,
     {.adapters = {kLoopback, kWired, Adapter("tun0", kVpn, platform::kIfTypeOther, 5, {})},
      .ownPass = false,
      .tempPass = true},
     [](ProbeAnswers& p) {
         p.routes = {{MakeIpv4(10, 1, 0, 0), PrefixMask(16), kVpn}};
         p.arrivals = std::vector<Ipv4>{MakeIpv4(10, 1, 2, 3)};
     },
     NotFoundCause::RouteConflict,
     "10.1.0.0/16 on tun0",
     true,
     kMainUnit},
    {"TempNetworksOwnRouteIsNoConflict",
     SEARCH_SUB,
     {.ownPass = false, .tempPass = true},
     [](ProbeAnswers& p) {
         p.routes = {{MakeIpv4(10, 1, 0, 0), PrefixMask(16), kPc}};
     },
     NotFoundCause::SubSilent,
     "main unit 192.168.77.20",
     true,
     kMainUnit},
    {"TempAddressAlreadyOnTheAdapter",
     SEARCH_SUB,
     {.adapters = {kLoopback, Adapter("pc0", kPc, platform::kIfTypeEthernet, 5,
                                      {{kPcAddress, PrefixMask(24)}, {kTempAddress, kTempMask}})},
      .tempRefused = true},
     {},
     NotFoundCause::TempAddressRefused,
     "already on pc0",
     true,
     kMainUnit},
    {"TempRefusalOfAMainSearchIsNoCause",
     SEARCH_MAIN,
     {.tempRefused = true},
     {},
     NotFoundCause::NoReply,
     ""},
    {"TempRefusedWithoutRights",
     SEARCH_SUB,
     {.ownPass = false, .tempRefused = true},
     {},
     NotFoundCause::NoRights,
     "",
     false},
    {"SubUnitSilent",
     SEARCH_SUB,
     {.ownPass = false, .tempPass = true},
     {},
     NotFoundCause::SubSilent,
     "main unit 192.168.77.20",
     true,
     kMainUnit},
    {"OutgoingRequestsRefused",
     SEARCH_MAIN,
     {.tempPass = true, .sendsRefused = true},
     [](ProbeAnswers& p) { p.arrivals = std::vector<Ipv4>{kMainUnit}; },
     NotFoundCause::SendRefused,
     "Operation not permitted (error 1)"},
    {"HomeLanHoldingTheTempAddress",
     SEARCH_SUB,
     {.adapters = {kLoopback, Adapter("pc0", kPc, platform::kIfTypeEthernet, 5,
                                      {{MakeIpv4(10, 10, 0, 5), PrefixMask(16)}})},
      .ownAddress = MakeIpv4(10, 10, 0, 5)},
     {},
     NotFoundCause::TempAddressInSubnet,
     "10.10.0.5/16 on pc0",
     true,
     kMainUnit},
    {"TempAddressInSubnetOnlyForAKindThatNeedsIt",
     SEARCH_MAIN,
     {.adapters = {kLoopback, Adapter("pc0", kPc, platform::kIfTypeEthernet, 5,
                                      {{MakeIpv4(10, 10, 0, 5), PrefixMask(16)}})},
      .ownAddress = MakeIpv4(10, 10, 0, 5)},
     {},
     NotFoundCause::NoReply,
     ""},
    {"SubSearchWithoutAMainUnit",
     SEARCH_SUB,
     {.ownPass = false, .tempPass = true},
     {},
     NotFoundCause::NoReply,
     ""},
    {"FirewallRuleBlocksTheReplies",
     SEARCH_MAIN,
     {},
     BlockingRule,
     NotFoundCause::ReplyBlocked,
     "rule \"RLQ updater\" blocks"},
    {"ArrivalsNameTheSenderBeforeTheFirewallsRule",
     SEARCH_MAIN,
     {},
     ArrivalsBesideTheRule,
     NotFoundCause::ReplyBlocked,
     "from 192.168.77.20"},
    {"FirewallRuleWithRepliesTaken",
     SEARCH_MAIN,
     {.replies = {ReplyVerdict::KindNotWanted}},
     BlockingRule,
     NotFoundCause::NoReply,
     ""},
    {"FirewallRuleWithoutAPassThatRan",
     SEARCH_MAIN,
     {.ownPass = false, .socketRefused = true},
     BlockingRule,
     NotFoundCause::NoReply,
     ""},
    {"SilentSubUnitBeforeTheFirewallsRule",
     SEARCH_SUB,
     {.ownPass = false, .tempPass = true},
     BlockingRule,
     NotFoundCause::SubSilent,
     "main unit 192.168.77.20",
     true,
     kMainUnit},
    {"OtherMakersFirewallIsAHintOnly",
     SEARCH_MAIN,
     {},
     OtherFirewall,
     NotFoundCause::NoReply,
     "firewall \"Example Shield\""},
};

class SearchDiagnosisTest : public ::testing::TestWithParam<Row> {};

TEST_P(SearchDiagnosisTest, NamesTheCauseFromWhatTheSearchSaw) {
    const Row& row = GetParam();
    const SearchDiagnosis diagnosis = Diagnose(row);
    EXPECT_EQ(NotFoundCauseCode(diagnosis.cause), NotFoundCauseCode(row.cause));
    EXPECT_EQ(DiagnosisDetail(diagnosis), row.detail);
}

INSTANTIATE_TEST_SUITE_P(Causes, SearchDiagnosisTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SearchDiagnosis, EveryCauseHasACodeOfItsOwn) {
    std::set<std::string_view> codes;
    std::set<std::string> texts;
    constexpr int kLast = static_cast<int>(NotFoundCause::SendRefused);
    for (int cause = 0; cause <= kLast; ++cause) {
        SearchDiagnosis diagnosis;
        diagnosis.cause = static_cast<NotFoundCause>(cause);
        codes.insert(NotFoundCauseCode(diagnosis.cause));
        const CauseTexts words = TextsForCause(diagnosis);
        texts.insert(words.seen + words.hint);
    }
    EXPECT_EQ(codes.size(), static_cast<std::size_t>(kLast) + 1);
    EXPECT_EQ(texts.size(), static_cast<std::size_t>(kLast) + 1);
}

// Each finding of the firewall names what to change, in words of its own.
TEST(SearchDiagnosis, FirewallFindingsHaveTextsOfTheirOwn) {
    std::set<std::string> hints;
    using Kind = FirewallFindingKind;
    for (const Kind kind :
         {Kind::None, Kind::BlockingRule, Kind::BlockAllInbound, Kind::UnicastRepliesOff}) {
        SearchDiagnosis diagnosis{.cause = NotFoundCause::ReplyBlocked, .firewall = {kind, "R"}};
        hints.insert(TextsForCause(diagnosis).hint);
    }
    SearchDiagnosis other{.firewall = {FirewallFindingKind::OtherFirewall, "Example Shield"}};
    EXPECT_NE(TextsForCause(other).hint.find("Example Shield"), std::string::npos);
    EXPECT_EQ(hints.size(), 4u);
}

TEST(SearchDiagnosis, AdaptersCarryTheirOwnPassesCountsAndLeaveTheLoopbackOut) {
    const Row row{"",
                  SEARCH_SUB,
                  {.tempPass = true, .replies = {ReplyVerdict::UnknownKind}},
                  {},
                  NotFoundCause::ForeignReply,
                  ""};
    const SearchDiagnosis diagnosis = Diagnose(row);
    ASSERT_EQ(diagnosis.adapters.size(), 1u);
    const AdapterSearched& pc0 = diagnosis.adapters[0];
    EXPECT_EQ(pc0.name, "pc0");
    EXPECT_TRUE(pc0.link);
    EXPECT_EQ(pc0.sent, 24);
    EXPECT_EQ(pc0.replies, 2);
    EXPECT_EQ(pc0.rejected, 2);
    EXPECT_EQ(DiagnosisDetail(diagnosis), "192.168.77.99 kind 0x82");
}

}  // namespace
}  // namespace rlq::testing
