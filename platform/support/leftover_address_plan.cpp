#include "platform/support/leftover_address_plan.h"

#include <algorithm>

namespace rlq::platform {

LeftoverPlan PlanLeftoverRemoval(MaskedAddress leftover, const std::vector<NamedAddRecord>& records,
                                 const std::function<bool(const ProcessStamp&)>& holderGone,
                                 const std::vector<HeldAddress>& held) {
    LeftoverPlan plan;
    for (const auto& [name, record] : records) {
        if (record.added != leftover || !holderGone(record.holder)) {
            continue;
        }
        // Without its handle the record cannot prove an address its own: the run was killed
        // before the add, or so soon after it that an address there may as well be the user's.
        const auto found =
            !record.context
                ? held.end()
                : std::find_if(held.begin(), held.end(), [&](const HeldAddress& address) {
                      return address.interfaceIndex == record.interfaceIndex &&
                             address.address == record.added && address.context == *record.context;
                  });
        if (found != held.end()) {
            plan.removals.push_back({name, *found});
        } else {
            plan.staleRecords.push_back(name);
        }
    }
    return plan;
}

}  // namespace rlq::platform
