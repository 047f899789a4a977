#pragma once
// What the helper does with one request line: adds the temporary address on an Ethernet
// interface, removes an address it added, removes what a killed run left, and forgets (removes)
// everything at the end.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/host_network.h"

namespace rlq::net_helper {

class HelperSession {
  public:
    // `isEthernet` tells whether an interface index names an existing Ethernet interface.
    HelperSession(platform::HostNetwork& host, std::function<bool(std::uint32_t)> isEthernet)
        : m_host(host), m_isEthernet(std::move(isEthernet)) {}

    // The reply line to one request line (without line ends); empty when the request is not
    // part of the protocol, after which the helper ends.
    std::string Handle(std::string_view request);
    // Removes every address still held.
    void RemoveAll() { m_leases.clear(); }
    std::size_t Held() const { return m_leases.size(); }

  private:
    std::string Add(std::string_view arguments);
    std::string Remove(std::string_view arguments);
    std::string Sweep();

    platform::HostNetwork& m_host;
    std::function<bool(std::uint32_t)> m_isEthernet;
    std::map<std::uint32_t, std::unique_ptr<platform::AddressLease>> m_leases;
    std::uint32_t m_nextLease = 1;
};

}  // namespace rlq::net_helper
