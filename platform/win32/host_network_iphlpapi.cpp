// Host networking through IP Helper: the adapter list, the interface table, the recorded
// temporary addresses, and the route-change notification.

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/host_network.h"
#include "platform/win32/adapter_info.h"
#include "platform/win32/handle.h"
#include "platform/win32/recorded_address_lease.h"
#include "platform/win32/sized_read.h"

namespace rlq::platform {
namespace {

using win32::ReadSized;

// Systems before this major version update their routes at once and need no wait.
constexpr DWORD kFirstMajorVersionThatWaits = 6;

PhysicalAddress ToPhysicalAddress(const BYTE* bytes, UINT length) {
    PhysicalAddress result{};
    std::memcpy(result.data(), bytes, std::min<std::size_t>(length, result.size()));
    return result;
}

std::vector<AdapterRecord> ToAdapterRecords(const IP_ADAPTER_INFO* adapter) {
    std::vector<AdapterRecord> records;
    for (; adapter != nullptr; adapter = adapter->Next) {
        AdapterRecord record;
        record.name = win32::AdapterName(*adapter);
        record.physicalAddress = ToPhysicalAddress(adapter->Address, adapter->AddressLength);
        record.interfaceIndex = adapter->Index;
        record.dhcpEnabled = adapter->DhcpEnabled != 0;
        for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry != nullptr;
             entry = entry->Next) {
            record.addresses.push_back(win32::ToMaskedAddress(*entry));
        }
        record.firstGateway = win32::FromDottedText(adapter->GatewayList.IpAddress.String);
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<InterfaceRow> ToInterfaceRows(const MIB_IFTABLE& table) {
    std::vector<InterfaceRow> rows;
    for (DWORD i = 0; i < table.dwNumEntries; ++i) {
        const MIB_IFROW& row = table.table[i];
        rows.push_back(
            {ToPhysicalAddress(row.bPhysAddr, row.dwPhysAddrLen), row.dwType, row.dwOperStatus});
    }
    return rows;
}

class FixedRouteWait final : public RouteChangeWatch {
  public:
    explicit FixedRouteWait(RouteWaitResult result) : m_result(result) {}
    RouteWaitResult Wait(std::chrono::milliseconds) override { return m_result; }

  private:
    RouteWaitResult m_result;
};

// One NotifyRouteChange request, made when the watch opens; cancelled if still outstanding.
class NotifiedRouteWatch final : public RouteChangeWatch {
  public:
    explicit NotifiedRouteWatch(win32::UniqueHandle event) : m_event(std::move(event)) {
        m_overlapped.hEvent = m_event.Get();
    }
    ~NotifiedRouteWatch() override {
        if (m_pending) {
            ::CancelIPChangeNotify(&m_overlapped);
        }
    }
    NotifiedRouteWatch(const NotifiedRouteWatch&) = delete;
    NotifiedRouteWatch& operator=(const NotifiedRouteWatch&) = delete;

    // False when the system refused the request.
    bool Request() {
        HANDLE ignored = nullptr;
        const DWORD result = ::NotifyRouteChange(&ignored, &m_overlapped);
        m_pending = result == ERROR_IO_PENDING;
        return result == NO_ERROR || m_pending;
    }

    RouteWaitResult Wait(std::chrono::milliseconds bound) override {
        const DWORD result = ::WaitForSingleObject(
            m_event.Get(), static_cast<DWORD>(std::max<long long>(bound.count(), 0)));
        if (result != WAIT_OBJECT_0) {
            return RouteWaitResult::TimedOut;
        }
        m_pending = false;
        return RouteWaitResult::Signalled;
    }

  private:
    win32::UniqueHandle m_event;
    OVERLAPPED m_overlapped{};
    bool m_pending = false;
};

bool SystemWaitsForRoutes() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const bool known = ::GetVersionExW(&version) != 0;
#pragma GCC diagnostic pop
    return known && version.dwMajorVersion >= kFirstMajorVersionThatWaits;
}

class IpHelperHostNetwork final : public HostNetwork {
  public:
    std::optional<AdapterSnapshot> ReadAdapters() override {
        DWORD interfaceCount = 0;
        if (::GetNumberOfInterfaces(&interfaceCount) != NO_ERROR) {
            return std::nullopt;
        }
        const auto adapters = win32::AdapterInfoList::Read();
        if (!adapters) {
            return std::nullopt;
        }
        const auto table =
            ReadSized(ERROR_INSUFFICIENT_BUFFER, [](std::uint8_t* buffer, ULONG* size) {
                return ::GetIfTable(reinterpret_cast<MIB_IFTABLE*>(buffer), size, FALSE);
            });
        if (!table) {
            return std::nullopt;
        }
        AdapterSnapshot snapshot;
        snapshot.interfaceCount = interfaceCount;
        snapshot.adapters = ToAdapterRecords(adapters->First());
        snapshot.interfaces = ToInterfaceRows(*reinterpret_cast<const MIB_IFTABLE*>(table->data()));
        return snapshot;
    }

    std::unique_ptr<RouteChangeWatch> WatchRouteChanges() override {
        if (!SystemWaitsForRoutes()) {
            return std::make_unique<FixedRouteWait>(RouteWaitResult::NoWait);
        }
        win32::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!event) {
            return std::make_unique<FixedRouteWait>(RouteWaitResult::Refused);
        }
        auto watch = std::make_unique<NotifiedRouteWatch>(std::move(event));
        if (!watch->Request()) {
            return std::make_unique<FixedRouteWait>(RouteWaitResult::Refused);
        }
        return watch;
    }

    std::unique_ptr<AddressLease> AddAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                             Ipv4 mask) override {
        return win32::AddRecordedAddress(win32::SystemAddressRecords(), interfaceIndex,
                                         {address, mask});
    }

    std::vector<std::string> RemoveLeftoverAddresses(Ipv4 address, Ipv4 mask) override {
        return win32::RemoveRecordedLeftovers(win32::SystemAddressRecords(), {address, mask});
    }
};

}  // namespace

HostNetwork& SystemHostNetwork() {
    static IpHelperHostNetwork network;
    return network;
}

}  // namespace rlq::platform
