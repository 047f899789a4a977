#pragma once
// Which temporary addresses a killed run left, from what it recorded before each add: the start
// that holds the single instance deletes those and drops the records that name nothing any more.
// Only an address the system still shows under a recorded handle goes; any other, the user's own
// 10.10.1.1 included, stays.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/ipv4.h"
#include "platform/support/address_add_record.h"

namespace rlq::platform {

// An address an adapter carries now, as the system reads it back.
struct HeldAddress {
    std::string adapterName;
    std::uint32_t interfaceIndex = 0;
    MaskedAddress address;
    std::uint32_t context = 0;
    friend bool operator==(const HeldAddress&, const HeldAddress&) = default;
};

// A record under the name its store keeps it by.
struct NamedAddRecord {
    std::string name;
    AddressAddRecord record;
};

struct LeftoverRemoval {
    std::string recordName;
    HeldAddress address;
    friend bool operator==(const LeftoverRemoval&, const LeftoverRemoval&) = default;
};

struct LeftoverPlan {
    std::vector<LeftoverRemoval> removals;  // delete the address; once it is gone, the record
    std::vector<std::string> staleRecords;  // records to drop, no address to delete
    friend bool operator==(const LeftoverPlan&, const LeftoverPlan&) = default;
};

// `holderGone` is true only when the system shows that the process has ended; a holder it cannot
// tell about counts as running. Records of another address than `leftover` are left alone.
LeftoverPlan PlanLeftoverRemoval(MaskedAddress leftover, const std::vector<NamedAddRecord>& records,
                                 const std::function<bool(const ProcessStamp&)>& holderGone,
                                 const std::vector<HeldAddress>& held);

}  // namespace rlq::platform
