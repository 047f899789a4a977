// The temporary address 10.10.1.1/255.0.0.0: added and taken off with a wait until the routing
// table has followed. The route watch is opened before each change, so the kernel's immediate
// update is not missed.

#include "net/reply.h"

namespace rlq {
namespace {

constexpr std::chrono::milliseconds kRouteChangeWait{10000};

}  // namespace

void CReply::AddTempAddress(std::uint32_t interfaceIndex, std::int32_t& failed) {
    failed = 1;
    // An unpaired earlier address is taken off rather than left on the adapter.
    m_tempAddress.reset();
    m_routeWatch = m_host.WatchRouteChanges();
    m_tempAddress = m_host.AddAddress(interfaceIndex, kTempAddress, kTempMask);
    if (!m_tempAddress) {
        m_routeWatch.reset();
        Report(&NetObserver::TempAddressRefused, interfaceIndex);
        return;
    }
    Report(&NetObserver::TempAddressAdded, interfaceIndex);
    std::int32_t ignored = 0;
    WaitRouteChange(ignored);
    failed = 0;
}

void CReply::DeleteTempAddress() {
    if (!m_tempAddress) {
        return;  // nothing was added, so no route change will come
    }
    m_routeWatch = m_host.WatchRouteChanges();
    m_tempAddress.reset();
    Report(&NetObserver::TempAddressRemoved);
    std::int32_t ignored = 0;
    WaitRouteChange(ignored);
}

void CReply::WaitRouteChange(std::int32_t& failed) {
    failed = 1;
    std::unique_ptr<platform::RouteChangeWatch> watch =
        m_routeWatch ? std::move(m_routeWatch) : m_host.WatchRouteChanges();
    switch (watch->Wait(kRouteChangeWait)) {
        case platform::RouteWaitResult::Signalled:
        case platform::RouteWaitResult::NoWait:
            failed = 0;
            break;
        case platform::RouteWaitResult::Refused:
        case platform::RouteWaitResult::TimedOut:
            break;
    }
}

}  // namespace rlq
