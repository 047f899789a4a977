#include "platform/win32/recorded_address_lease.h"

#include <optional>

#include "platform/win32/adapter_info.h"
#include "platform/win32/process_stamp.h"

namespace rlq::platform::win32 {
namespace {

class RecordedAddressLease final : public AddressLease {
  public:
    RecordedAddressLease(AddressRecords& records, std::optional<std::string> recordName,
                         ULONG context)
        : m_records(records), m_recordName(std::move(recordName)), m_context(context) {}

    // An address that could not be deleted keeps its record, for the next start to try again.
    ~RecordedAddressLease() override {
        if (::DeleteIPAddress(m_context) == NO_ERROR && m_recordName) {
            m_records.Remove(*m_recordName);
        }
    }

  private:
    AddressRecords& m_records;
    std::optional<std::string> m_recordName;
    ULONG m_context;
};

std::vector<HeldAddress> HeldAddresses(const AdapterInfoList& list) {
    std::vector<HeldAddress> held;
    for (const IP_ADAPTER_INFO* adapter = list.First(); adapter != nullptr;
         adapter = adapter->Next) {
        for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry != nullptr;
             entry = entry->Next) {
            held.push_back(
                {AdapterName(*adapter), adapter->Index, ToMaskedAddress(*entry), entry->Context});
        }
    }
    return held;
}

}  // namespace

std::unique_ptr<AddressLease> AddRecordedAddress(AddressRecords& records,
                                                 std::uint32_t interfaceIndex,
                                                 MaskedAddress address) {
    AddressAddRecord record{CurrentProcessStamp(), interfaceIndex, address, std::nullopt};
    // A record that cannot be written costs the next start its clean-up, not this run its add.
    const std::optional<std::string> name = records.Add(record);
    ULONG context = 0;
    ULONG instance = 0;
    if (::AddIPAddress(::htonl(address.address.HostOrder()), ::htonl(address.mask.HostOrder()),
                       interfaceIndex, &context, &instance) != NO_ERROR) {
        if (name) {
            records.Remove(*name);
        }
        return nullptr;
    }
    if (name) {
        record.context = context;
        records.Replace(*name, record);
    }
    return std::make_unique<RecordedAddressLease>(records, name, context);
}

std::vector<std::string> RemoveRecordedLeftovers(AddressRecords& records, MaskedAddress address) {
    const auto adapters = AdapterInfoList::Read();
    if (!adapters) {
        return {};  // an address not read is not an address gone
    }
    const LeftoverPlan plan =
        PlanLeftoverRemoval(address, records.Read(), ProcessHasEnded, HeldAddresses(*adapters));
    for (const std::string& name : plan.staleRecords) {
        records.Remove(name);
    }
    std::vector<std::string> removedFrom;
    for (const LeftoverRemoval& removal : plan.removals) {
        if (::DeleteIPAddress(removal.address.context) == NO_ERROR) {
            records.Remove(removal.recordName);
            removedFrom.push_back(removal.address.adapterName);
        }
    }
    return removedFrom;
}

}  // namespace rlq::platform::win32
