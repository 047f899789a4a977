#pragma once
// What the main sequence and its searches report: each search with what it showed and why it
// found nothing, the versions, the transfers' progress, the buttons offered and the outcome.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ipv4.h"
#include "common/listeners.h"
#include "common/unit.h"
#include "firmware/transfer_events.h"
#include "net/net_events.h"
#include "platform/search_probes.h"

namespace rlq {

// How the last run of the main sequence ended.
enum class SequenceOutcome {
    None,                // no run has ended yet
    Done,                // both units updated, or (check) both current
    RetryOffered,        // a unit was not found or its update failed
    SpecialModeOffered,  // the retry and the special mode are offered
    UpdateNeeded,        // check: both found, at least one differs from the carried image
};

// What the search dialog tells the user: its title and its button's text where they changed
// (empty while it searches), and its three lines.
struct SearchTexts {
    std::string title;
    std::array<std::string, 3> lines;
    std::string button;
};

enum class OfferedButton { Retry, SpecialMode };

// Why a search ended without its unit, as far as the search itself saw; NoReply where nothing
// more can be known. The codes (NotFoundCauseCode) are part of the console's interface.
enum class NotFoundCause {
    NoReply,              // requests went out, nothing came back
    NoLink,               // no Ethernet adapter has a carrier
    NoEthernet,           // no Ethernet adapter at all
    NoAddress,            // Ethernet with a link but no IPv4 address, or only a link-local one
    ReplyBlocked,         // replies reached the adapter but not the program: a firewall
    PortInUse,            // another program holds the reply port
    ForeignReply,         // a device answered with a reply this updater does not take
    SubSilent,            // the main unit answered, its sub unit did not
    TempAddressRefused,   // the temporary address could not be added
    RouteConflict,        // another interface routes part of 10.0.0.0/8 more specifically
    NoRights,             // the process may not add the temporary address
    TempAddressInSubnet,  // the adapter's own subnet holds the temporary address: never added
    SendRefused,          // the system refused to send the requests: a firewall on this PC
};
std::string_view NotFoundCauseCode(NotFoundCause cause);

// One adapter as a search that found nothing saw it.
struct AdapterSearched {
    std::string name;
    bool link = false;
    std::vector<MaskedAddress> addresses;
    int sent = 0;      // requests that went out on it
    int replies = 0;   // datagrams its passes received
    int rejected = 0;  // of those, the ones not taken
};

// What the firewall's own settings say of the replies.
enum class FirewallFindingKind {
    None,
    BlockingRule,       // an inbound rule blocks them: name
    BlockAllInbound,    // a profile in force blocks every inbound connection: profile
    UnicastRepliesOff,  // a profile takes no unicast replies to broadcasts, no rule allows them
    OtherFirewall,      // none of those, and another maker's firewall is registered: name
};

struct FirewallFinding {
    FirewallFindingKind kind = FirewallFindingKind::None;
    std::string name;  // the rule's, or the other firewall's
    platform::FirewallProfileKind profile = platform::FirewallProfileKind::Public;
};

struct SearchDiagnosis {
    NotFoundCause cause = NotFoundCause::NoReply;
    // What the cause points at, where it points at something:
    Ipv4 device;                 // the foreign or blocked device, or the main unit of a silent sub
    ReceivedReply reply;         // ForeignReply: what it answered
    std::string holder;          // PortInUse: the program holding the port, where the system tells
    std::uint32_t holderId = 0;  // PortInUse: its process id, where the system tells
    std::string interfaceName;   // RouteConflict: the other interface; TempAddressRefused: the
                                 // adapter that already has the address
    MaskedAddress route;         // RouteConflict: the more specific route; TempAddressInSubnet:
                                 // the adapter's own address, with interfaceName its name
    platform::SystemError sendError;  // SendRefused: what the system said of the first request
    FirewallFinding firewall;  // ReplyBlocked without arrivals; NoReply: another firewall only
    std::vector<AdapterSearched> adapters;
};
// The cause's particulars in a few language-neutral words ("192.168.77.20 format 0x0200"), empty
// where the cause has none.
std::string DiagnosisDetail(const SearchDiagnosis& diagnosis);
// "Operation not permitted (error 1)".
std::string SendErrorText(const platform::SystemError& error);

class SequenceObserver {
  public:
    virtual ~SequenceObserver() = default;

    virtual void SearchStarted(Unit) {}
    virtual void AdaptersSeen(const std::vector<AdapterReport>&) {}
    virtual void SearchShown(const SearchTexts&) {}
    virtual void SearchGivenUp(const SearchTexts&) {}
    // Right before the SearchEnded of a search that found nothing.
    virtual void SearchDiagnosed(Unit, const SearchDiagnosis&) {}
    // unitAddress 0: nothing was found.
    virtual void SearchEnded(Unit, Ipv4 /*unitAddress*/, std::uint16_t /*version*/,
                             bool /*viaTempAddress*/) {}

    virtual void VersionShown(Unit, std::uint16_t /*unitVersion*/, std::uint16_t /*carried*/) {}
    virtual void UnitAddressShown(Unit, Ipv4) {}
    virtual void Progress(Unit, std::uint32_t /*done*/, std::uint32_t /*total*/) {}
    virtual void Offered(OfferedButton) {}
    // The end of one run of the main sequence; a retry starts another.
    virtual void RunEnded(SequenceOutcome) {}
    // After a check that found both units: a unit beside the image carried for it.
    virtual void UnitChecked(Unit, Ipv4 /*address*/, std::uint16_t /*version*/,
                             std::uint16_t /*carried*/, bool /*current*/) {}
};
using SequenceListeners = Listeners<SequenceObserver>;

// The listeners the workflow tells: of its own events, and of the layers' below it reports for
// (the message boxes the view shows, the discovery the search dialog runs).
struct WorkflowListeners {
    const NetListeners& net = NoListeners<NetObserver>();
    const TransferListeners& transfer = NoListeners<TransferObserver>();
    const SequenceListeners& sequence = NoListeners<SequenceObserver>();
};

}  // namespace rlq
