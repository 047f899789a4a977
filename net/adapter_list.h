#pragma once
// Snapshot of the PC's usable IPv4 addresses: one entry per address of every connected
// Ethernet adapter, in the platform's adapter order.

#include <cstdint>
#include <memory>
#include <vector>

#include "net/net_events.h"

#include "platform/host_network.h"

namespace rlq {

struct AdapterEntry {
    Ipv4 address;
    Ipv4 mask;
    Ipv4 gateway;
    std::uint32_t interfaceIndex = 0;
    std::uint8_t dhcp = 0;

    friend bool operator==(const AdapterEntry&, const AdapterEntry&) = default;
};

// Whether an interface-table state counts as connected for the search.
bool IsUsableOperStatus(std::uint32_t operStatus);

class CAdapterList {
  public:
    explicit CAdapterList(platform::HostNetwork& host) : m_host(host) {}

    // Rebuilds the snapshot. `entries` stays valid until the next Enumerate or the list's end;
    // it always points at one element at least, all zero when the platform could not be read.
    void Enumerate(std::int32_t& count, const AdapterEntry*& entries);
    // Every adapter the last Enumerate read, usable or not, for the run's report.
    const std::vector<AdapterReport>& Report() const { return m_report; }

  private:
    platform::HostNetwork& m_host;
    std::int32_t m_nCount = 0;
    std::unique_ptr<AdapterEntry[]> m_pEntries;
    std::vector<AdapterReport> m_report;
};

}  // namespace rlq
