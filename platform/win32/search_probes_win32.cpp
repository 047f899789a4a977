// The probes on Windows: the owner of a UDP port and the route table through IP Helper, the
// firewall's settings through its COM interfaces. No arrival capture: seeing packets before the
// firewall needs a driver this program does not install.

#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>

#include <string>

#include "platform/search_probes.h"
#include "platform/win32/firewall_state.h"
#include "platform/win32/handle.h"
#include "platform/win32/module_path.h"
#include "platform/win32/sized_read.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

using win32::ReadSized;

// The file name of the process's image, empty where the system does not tell.
std::string ProgramName(DWORD processId) {
    const win32::UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        return {};
    }
    wchar_t path[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!::QueryFullProcessImageNameW(process.Get(), 0, path, &length)) {
        return {};
    }
    const std::wstring_view full(path, length);
    const std::size_t slash = full.find_last_of(L"\\/");
    return win32::Narrow(slash == std::wstring_view::npos ? full : full.substr(slash + 1));
}

class Win32SearchProbes final : public SearchProbes {
  public:
    std::unique_ptr<ArrivalCapture> CaptureUdpArrivals(std::uint16_t) override { return nullptr; }

    std::vector<UdpPortHolder> UdpPortHolders(std::uint16_t port) override {
        const auto table =
            ReadSized(ERROR_INSUFFICIENT_BUFFER, [](std::uint8_t* buffer, ULONG* size) {
                return ::GetExtendedUdpTable(buffer, size, FALSE, AF_INET, UDP_TABLE_OWNER_PID, 0);
            });
        std::vector<UdpPortHolder> holders;
        if (!table) {
            return holders;
        }
        const auto* rows = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID*>(table->data());
        for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
            const MIB_UDPROW_OWNER_PID& row = rows->table[i];
            if (::ntohs(static_cast<u_short>(row.dwLocalPort)) == port) {
                holders.push_back({row.dwOwningPid, ProgramName(row.dwOwningPid), {}});
            }
        }
        return holders;
    }

    std::vector<RouteRow> Ipv4Routes() override {
        const auto table = ReadSized(ERROR_INSUFFICIENT_BUFFER, [](std::uint8_t* buffer,
                                                                   ULONG* size) {
            return ::GetIpForwardTable(reinterpret_cast<MIB_IPFORWARDTABLE*>(buffer), size, FALSE);
        });
        std::vector<RouteRow> routes;
        if (!table) {
            return routes;
        }
        const auto* rows = reinterpret_cast<const MIB_IPFORWARDTABLE*>(table->data());
        for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
            const MIB_IPFORWARDROW& row = rows->table[i];
            if (row.dwForwardType != MIB_IPROUTE_TYPE_INVALID) {
                routes.push_back({Ipv4{::ntohl(row.dwForwardDest)},
                                  Ipv4{::ntohl(row.dwForwardMask)}, row.dwForwardIfIndex});
            }
        }
        return routes;
    }

    std::optional<FirewallState> Firewall(std::uint16_t replyPort) override {
        const auto program = win32::ModulePath();
        return program ? win32::ReadFirewallState(*program, replyPort) : std::nullopt;
    }
};

}  // namespace

SearchProbes& SystemSearchProbes() {
    static Win32SearchProbes probes;
    return probes;
}

}  // namespace rlq::platform
