#pragma once
// What the network layer reports: the adapters it read, each discovery pass with every datagram
// it received, the temporary address, and each HTTP request. The discovery thread queues what it
// reports (CReply), and the owner of the search hands it on from its own thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ipv4.h"
#include "common/listeners.h"
#include "platform/system_error.h"

namespace rlq {

// One adapter of the PC as the search saw it.
struct AdapterReport {
    std::string name;
    std::uint32_t interfaceIndex = 0;
    std::uint32_t type = 0;        // IANA ifType: 6 is Ethernet
    std::uint32_t operStatus = 0;  // interface-table states: 5 is operational
    bool dhcp = false;
    bool usable = false;  // an Ethernet row with a link: the search sends from its addresses
    std::vector<MaskedAddress> addresses;
};

// One discovery pass: requests from `localAddress` to `destination` on one adapter.
struct DiscoveryPass {
    Ipv4 localAddress;
    Ipv4 destination;
    std::uint32_t interfaceIndex = 0;
    bool viaTempAddress = false;
};

// The requests of a pass that the system refused to send, and what it said of the first.
struct RefusedSends {
    int count = 0;
    platform::SystemError first;
};

// Why a received datagram was not taken as the wanted unit's reply.
enum class ReplyVerdict {
    Accepted,
    WrongLength,     // not 16 bytes
    NotAReply,       // no "REPLY" header
    NewerFormat,     // a format this updater does not know
    UnknownKind,     // a unit kind this updater does not know
    KindNotWanted,   // a known unit, but not the one searched for
    VersionFiltered  // the version filter turned it away
};

struct ReceivedReply {
    Ipv4 source;
    std::size_t length = 0;
    std::uint16_t format = 0;  // as the datagram says, where it is long enough to say
    std::uint32_t unitKind = 0;
    std::uint16_t version = 0;
    ReplyVerdict verdict = ReplyVerdict::Accepted;
};

// What a rejected reply got wrong, in a few language-neutral words: "format 0x0200",
// "kind 0x09", "17 bytes".
std::string ReplyFault(const ReceivedReply& reply);
// "0x0200" for HexText(0x200, 4).
std::string HexText(std::uint32_t value, int digits);

class NetObserver {
  public:
    virtual ~NetObserver() = default;

    virtual void PassStarted(const DiscoveryPass&) {}
    virtual void PassEnded(const DiscoveryPass&, int /*requestsSent*/, const RefusedSends&) {}
    virtual void ReplyReceived(const ReceivedReply&) {}
    // The reply port could not be opened on this address, so its pass did not run.
    virtual void ReplySocketRefused(Ipv4 /*localAddress*/, std::uint32_t /*interfaceIndex*/) {}
    // Events of the discovery thread that found its queue full, and were lost.
    virtual void DiscoveryEventsDropped(std::size_t /*count*/) {}

    virtual void TempAddressAdded(std::uint32_t /*interfaceIndex*/) {}
    virtual void TempAddressRefused(std::uint32_t /*interfaceIndex*/) {}
    virtual void TempAddressRemoved() {}

    // A POST to `path` on the unit at `address`; status 0 when no status was read, errorText
    // empty when none.
    virtual void HttpRequestEnded(Ipv4 /*address*/, std::string_view /*path*/,
                                  std::uint32_t /*status*/, std::string_view /*errorText*/,
                                  std::chrono::milliseconds) {}
};
using NetListeners = Listeners<NetObserver>;

}  // namespace rlq
