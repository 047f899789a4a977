#include "net/adapter_list.h"

#include <algorithm>

namespace rlq {
namespace {

constexpr std::uint32_t kEntriesPerInterface = 10;
constexpr Ipv4 kLoopback = MakeIpv4(127, 0, 0, 1);

bool IsUsableRow(const platform::InterfaceRow& row) {
    return row.type == platform::kIfTypeEthernet && IsUsableOperStatus(row.operStatus);
}

bool HasUsableInterfaceRow(const platform::AdapterSnapshot& snapshot,
                           const platform::AdapterRecord& adapter) {
    return std::any_of(snapshot.interfaces.begin(), snapshot.interfaces.end(),
                       [&](const platform::InterfaceRow& row) {
                           return row.physicalAddress == adapter.physicalAddress &&
                                  IsUsableRow(row);
                       });
}

std::vector<AdapterReport> ReportOf(const platform::AdapterSnapshot& snapshot) {
    std::vector<AdapterReport> report;
    for (const platform::AdapterRecord& adapter : snapshot.adapters) {
        AdapterReport& entry = report.emplace_back();
        entry.name = adapter.name;
        entry.interfaceIndex = adapter.interfaceIndex;
        entry.dhcp = adapter.dhcpEnabled;
        // Several rows share a MAC (a bridge and its port, a VLAN and its parent): the report
        // names the row the search went by, so the search and its diagnosis agree.
        entry.usable = HasUsableInterfaceRow(snapshot, adapter);
        const auto row = std::find_if(snapshot.interfaces.begin(), snapshot.interfaces.end(),
                                      [&](const platform::InterfaceRow& r) {
                                          return r.physicalAddress == adapter.physicalAddress &&
                                                 (!entry.usable || IsUsableRow(r));
                                      });
        if (row != snapshot.interfaces.end()) {
            entry.type = row->type;
            entry.operStatus = row->operStatus;
        }
        entry.addresses = adapter.addresses;
    }
    return report;
}

}  // namespace

bool IsUsableOperStatus(std::uint32_t operStatus) {
    return operStatus == platform::kOperConnecting || operStatus == platform::kOperConnected ||
           operStatus == platform::kOperOperational;
}

void CAdapterList::Enumerate(std::int32_t& count, const AdapterEntry*& entries) {
    m_pEntries.reset();
    m_nCount = 0;

    const std::optional<platform::AdapterSnapshot> snapshot = m_host.ReadAdapters();
    m_report = snapshot ? ReportOf(*snapshot) : std::vector<AdapterReport>{};
    if (snapshot && snapshot->interfaceCount != 0) {
        const std::uint32_t capacity = kEntriesPerInterface * snapshot->interfaceCount;
        m_pEntries = std::make_unique<AdapterEntry[]>(capacity);
        std::uint32_t filled = 0;
        for (const platform::AdapterRecord& adapter : snapshot->adapters) {
            for (const MaskedAddress& own : adapter.addresses) {
                if (own.address != Ipv4{} && own.address != kLoopback &&
                    HasUsableInterfaceRow(*snapshot, adapter)) {
                    m_pEntries[filled++] = {own.address, own.mask, adapter.firstGateway,
                                            adapter.interfaceIndex,
                                            static_cast<std::uint8_t>(adapter.dhcpEnabled ? 1 : 0)};
                }
                if (filled >= capacity) {
                    break;
                }
            }
            if (filled >= capacity) {
                break;
            }
        }
        m_nCount = static_cast<std::int32_t>(filled);
    } else {
        m_pEntries = std::make_unique<AdapterEntry[]>(1);
    }
    count = m_nCount;
    entries = m_pEntries.get();
}

}  // namespace rlq
