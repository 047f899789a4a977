#pragma once
// The host's network configuration as the adapter snapshot and the temporary address need it:
// adapters with their IPv4 addresses, the interface table, adding an address, and a watch on
// changes to the IPv4 routing table. No OS types.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/ipv4.h"

namespace rlq::platform {

using PhysicalAddress = std::array<std::uint8_t, 6>;

// Interface types in the IANA ifType numbering.
inline constexpr std::uint32_t kIfTypeOther = 1;
inline constexpr std::uint32_t kIfTypeEthernet = 6;
inline constexpr std::uint32_t kIfTypeSoftwareLoopback = 24;
inline constexpr std::uint32_t kIfTypeIeee80211 = 71;

// Operational states in the interface-table numbering.
inline constexpr std::uint32_t kOperNonOperational = 0;
inline constexpr std::uint32_t kOperUnreachable = 1;
inline constexpr std::uint32_t kOperDisconnected = 2;
inline constexpr std::uint32_t kOperConnecting = 3;
inline constexpr std::uint32_t kOperConnected = 4;
inline constexpr std::uint32_t kOperOperational = 5;

struct AdapterRecord {
    std::string name;  // as the system shows it to people (UTF-8)
    PhysicalAddress physicalAddress{};
    std::uint32_t interfaceIndex = 0;
    bool dhcpEnabled = false;
    std::vector<MaskedAddress> addresses;  // in the adapter's own order
    Ipv4 firstGateway;                     // 0 when there is none
};

struct InterfaceRow {
    PhysicalAddress physicalAddress{};
    std::uint32_t type = kIfTypeOther;
    std::uint32_t operStatus = kOperNonOperational;
};

struct AdapterSnapshot {
    std::uint32_t interfaceCount = 0;
    std::vector<AdapterRecord> adapters;   // platform order
    std::vector<InterfaceRow> interfaces;  // unsorted
};

// Owns one address added to an interface; destroying it removes exactly that address.
class AddressLease {
  public:
    virtual ~AddressLease() = default;
};

enum class RouteWaitResult {
    Signalled,  // the routing table changed
    NoWait,     // the platform needs no wait for routes
    Refused,    // the notification could not be requested
    TimedOut,   // no change within the bound, or the wait failed
};

// Watches for the next change to the IPv4 routing table from the moment it was opened, so a
// change made right after opening is not missed.
class RouteChangeWatch {
  public:
    virtual ~RouteChangeWatch() = default;
    virtual RouteWaitResult Wait(std::chrono::milliseconds bound) = 0;
};

class HostNetwork {
  public:
    virtual ~HostNetwork() = default;

    // nullopt when any part of the configuration cannot be read.
    virtual std::optional<AdapterSnapshot> ReadAdapters() = 0;

    // Never null; a watch that could not be set up reports Refused.
    virtual std::unique_ptr<RouteChangeWatch> WatchRouteChanges() = 0;

    // Null when the platform refuses the address (also when the interface already has it).
    virtual std::unique_ptr<AddressLease> AddAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                                     Ipv4 mask) = 0;

    // Removes every `address`/`mask` that a lease of an earlier process left behind, as far as
    // the system tells such a leftover from an address someone else configured, and names the
    // interfaces it was removed from. Call only while the single instance is held: a running
    // copy's lease looks the same.
    virtual std::vector<std::string> RemoveLeftoverAddresses(Ipv4 address, Ipv4 mask) = 0;
};

HostNetwork& SystemHostNetwork();

}  // namespace rlq::platform
