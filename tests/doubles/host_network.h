#pragma once
// A scripted host network that records address, route and lease events in an event log, shared
// with other doubles when the test passes one, so that tests can check their order. Given a real
// host to pass calls on to, it records and counts what the code under test asks of that host.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/ipv4.h"
#include "platform/host_network.h"
#include "tests/support/event_log.h"

namespace rlq::testing {

class FakeHostNetwork final : public platform::HostNetwork {
  public:
    FakeHostNetwork() = default;
    explicit FakeHostNetwork(EventLog& log) : m_log(&log) {}
    // Passes every call on to `real` instead of answering as scripted.
    explicit FakeHostNetwork(platform::HostNetwork& real) : m_real(&real) {}

    std::optional<platform::AdapterSnapshot> snapshot;
    bool refuseAdd = false;
    platform::RouteWaitResult waitResult = platform::RouteWaitResult::Signalled;
    // Runs inside every AddAddress before it answers, e.g. to hold it there.
    std::function<void()> duringAdd;
    std::atomic<int> adds{0};  // AddAddress calls, refused ones included
    std::atomic<int> held{0};  // leases given and not yet destroyed
    // The interfaces RemoveLeftoverAddresses names (once; it empties the list).
    std::vector<std::string> leftovers;

    std::optional<platform::AdapterSnapshot> ReadAdapters() override {
        return m_real != nullptr ? m_real->ReadAdapters() : snapshot;
    }

    std::unique_ptr<platform::RouteChangeWatch> WatchRouteChanges() override {
        m_log->Add("watch");
        return std::make_unique<Watch>(*this,
                                       m_real != nullptr ? m_real->WatchRouteChanges() : nullptr);
    }

    std::unique_ptr<platform::AddressLease> AddAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                                       Ipv4 mask) override {
        ++adds;
        const std::string what =
            std::to_string(interfaceIndex) + " " + FormatIpv4(address) + "/" + FormatIpv4(mask);
        if (duringAdd) {
            duringAdd();
        }
        std::unique_ptr<platform::AddressLease> real =
            m_real != nullptr && !refuseAdd ? m_real->AddAddress(interfaceIndex, address, mask)
                                            : nullptr;
        if (refuseAdd || (m_real != nullptr && real == nullptr)) {
            m_log->Add("add refused " + what);
            return nullptr;
        }
        m_log->Add("add " + what);
        ++held;
        return std::make_unique<Lease>(*this, what, std::move(real));
    }

    std::vector<std::string> RemoveLeftoverAddresses(Ipv4 address, Ipv4 mask) override {
        m_log->Add("sweep " + FormatIpv4(address) + "/" + FormatIpv4(mask));
        if (m_real != nullptr) {
            return m_real->RemoveLeftoverAddresses(address, mask);
        }
        return std::exchange(leftovers, {});
    }

  private:
    struct Watch final : platform::RouteChangeWatch {
        Watch(FakeHostNetwork& host, std::unique_ptr<platform::RouteChangeWatch> real)
            : host(host), real(std::move(real)) {}
        platform::RouteWaitResult Wait(std::chrono::milliseconds bound) override {
            host.m_log->Add("wait " + std::to_string(bound.count()));
            return real ? real->Wait(bound) : host.waitResult;
        }
        FakeHostNetwork& host;
        std::unique_ptr<platform::RouteChangeWatch> real;
    };
    struct Lease final : platform::AddressLease {
        Lease(FakeHostNetwork& host, std::string what, std::unique_ptr<platform::AddressLease> real)
            : host(host), what(std::move(what)), real(std::move(real)) {}
        ~Lease() override {
            real.reset();
            host.m_log->Add("remove " + what);
            --host.held;
        }
        FakeHostNetwork& host;
        std::string what;
        std::unique_ptr<platform::AddressLease> real;
    };

    EventLog m_ownLog;
    EventLog* m_log = &m_ownLog;
    platform::HostNetwork* m_real = nullptr;
};

// `count` operational Ethernet adapters, the i-th (from 0) with 192.168.<i>.10/24 on interface
// 10 + i.
inline platform::AdapterSnapshot EthernetAdapters(int count) {
    platform::AdapterSnapshot snapshot;
    snapshot.interfaceCount = static_cast<std::uint32_t>(count);
    for (int i = 0; i < count; ++i) {
        const auto octet = static_cast<std::uint8_t>(i + 1);
        platform::AdapterRecord adapter;
        adapter.physicalAddress = {2, 0, 0, 0, 0, octet};
        adapter.interfaceIndex = static_cast<std::uint32_t>(10 + i);
        adapter.addresses = {
            {MakeIpv4(192, 168, static_cast<std::uint8_t>(i), 10), PrefixMask(24)}};
        snapshot.adapters.push_back(adapter);
        snapshot.interfaces.push_back(
            {adapter.physicalAddress, platform::kIfTypeEthernet, platform::kOperOperational});
    }
    return snapshot;
}

}  // namespace rlq::testing
