#include <gtest/gtest.h>

#include "common/temp_address.h"
#include "platform/support/leftover_address_plan.h"

namespace rlq::platform {
namespace {

constexpr MaskedAddress kTemp{kTempAddress, kTempMask};
constexpr ProcessStamp kDead{4242, 1000};
constexpr ProcessStamp kRunning{4242, 2000};  // the dead one's id, reused
constexpr std::uint32_t kIndex = 7;
constexpr std::uint32_t kContext = 3;

const HeldAddress kOurs{"Ethernet", kIndex, kTemp, kContext};

AddressAddRecord Added(ProcessStamp holder, std::optional<std::uint32_t> context = kContext,
                       MaskedAddress added = kTemp) {
    return {holder, kIndex, added, context};
}

TEST(LeftoverAddressPlan, DeletesOnlyWhatADeadHolderAddedAndTheSystemStillShows) {
    const struct {
        const char* what;
        AddressAddRecord record;
        std::vector<HeldAddress> held;
        LeftoverPlan plan;
    } rows[] = {
        {"a dead holder's address still there", Added(kDead), {kOurs}, {{{"r", kOurs}}, {}}},
        {"a running holder keeps its address and record", Added(kRunning), {kOurs}, {}},
        {"a dead holder's address already gone", Added(kDead), {}, {{}, {"r"}}},
        {"the user's own 10.10.1.1 under another handle",
         Added(kDead),
         {{"Ethernet", kIndex, kTemp, kContext + 1}},
         {{}, {"r"}}},
        {"the same handle on another interface",
         Added(kDead),
         {{"Wi-Fi", kIndex + 1, kTemp, kContext}},
         {{}, {"r"}}},
        {"the recorded handle now on another mask",
         Added(kDead),
         {{"Ethernet", kIndex, {kTempAddress, PrefixMask(16)}, kContext}},
         {{}, {"r"}}},
        {"killed before the add, or before its handle was written",
         Added(kDead, std::nullopt),
         {kOurs},
         {{}, {"r"}}},
        {"a record of another address is not this sweep's",
         Added(kDead, kContext, {MakeIpv4(192, 168, 0, 1), PrefixMask(24)}),
         {kOurs},
         {}},
    };
    const auto holderGone = [](const ProcessStamp& holder) { return holder == kDead; };
    for (const auto& row : rows) {
        EXPECT_EQ(PlanLeftoverRemoval(kTemp, {{"r", row.record}}, holderGone, row.held), row.plan)
            << row.what;
    }
}

}  // namespace
}  // namespace rlq::platform
