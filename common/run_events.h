#pragma once
// What a run does, as typed events: every layer reports its own steps here, and any number of
// listeners (the console, JSON lines, the run log, the history) hear them. Reporting changes none
// of the steps. Discovery events come from the discovery thread; every other event from the
// thread that runs the window, so a listener of discovery events takes care of its own locking.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ipv4.h"

namespace rlq {

// How the last run of the main sequence ended.
enum class SequenceOutcome {
    None,                // no run has ended yet
    Done,                // both units updated, or (check) both current
    RetryOffered,        // a unit was not found or its update failed
    SpecialModeOffered,  // the retry and the special mode are offered
    UpdateNeeded,        // check: both found, at least one differs from the carried image
};

enum class RunMode { Update, Check, SpecialMode };
// "update", "check", "special-mode": the words of the log and the history.
std::string_view RunModeName(RunMode mode);

struct RunStart {
    std::string programVersion;              // "1.34.1.6"
    std::array<std::uint16_t, 2> carried{};  // by slot
    RunMode mode = RunMode::Update;
    std::string firmwareInfo;  // the carried images as the window names them
    std::string windowTitle;
};

// One adapter of the PC as the search saw it.
struct AdapterReport {
    std::string name;
    std::uint32_t interfaceIndex = 0;
    std::uint32_t type = 0;        // IANA ifType: 6 is Ethernet
    std::uint32_t operStatus = 0;  // interface-table states: 5 is operational
    bool dhcp = false;
    std::vector<MaskedAddress> addresses;
};

// What the search dialog tells the user: its title and its button's text where they changed
// (empty while it searches), and its three lines.
struct SearchTexts {
    std::string title;
    std::array<std::string, 3> lines;
    std::string button;
};

// One discovery pass: requests from `localAddress` to `destination` on one adapter.
struct DiscoveryPass {
    Ipv4 localAddress = 0;
    Ipv4 destination = 0;
    std::uint32_t interfaceIndex = 0;
    bool viaTempAddress = false;
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
    Ipv4 source = 0;
    std::size_t length = 0;
    std::uint16_t format = 0;  // as the datagram says, where it is long enough to say
    std::uint32_t unitKind = 0;
    std::uint16_t version = 0;
    ReplyVerdict verdict = ReplyVerdict::Accepted;
};

enum class OfferedButton { Retry, SpecialMode };

// Why a search ended without its unit, as far as the search itself saw; NoReply where nothing
// more can be known. The codes (NotFoundCauseCode) are part of the console's interface.
enum class NotFoundCause {
    NoReply,             // requests went out, nothing came back
    NoLink,              // no Ethernet adapter has a carrier
    NoEthernet,          // no Ethernet adapter at all
    NoAddress,           // Ethernet with a link but no IPv4 address, or only a link-local one
    ReplyBlocked,        // replies reached the adapter but not the program: a firewall
    PortInUse,           // another program holds the reply port
    ForeignReply,        // a device answered with a reply this updater does not take
    SubSilent,           // the main unit answered, its sub unit did not
    TempAddressRefused,  // the temporary address could not be added
    RouteConflict,       // another interface routes part of 10.0.0.0/8 more specifically
    NoRights,            // the process may not add the temporary address
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

struct SearchDiagnosis {
    NotFoundCause cause = NotFoundCause::NoReply;
    // What the cause points at, where it points at something:
    Ipv4 device = 0;             // the foreign or blocked device, or the main unit of a silent sub
    ReceivedReply reply;         // ForeignReply: what it answered
    std::string holder;          // PortInUse: the program holding the port, where the system tells
    std::uint32_t holderId = 0;  // PortInUse: its process id, where the system tells
    std::string interfaceName;   // RouteConflict: the other interface; TempAddressRefused: the
                                 // adapter that already has the address
    MaskedAddress route;         // RouteConflict: the more specific route
    std::vector<AdapterSearched> adapters;
};
// The cause's particulars in a few language-neutral words ("192.168.77.20 format 0x0200"), empty
// where the cause has none.
std::string DiagnosisDetail(const SearchDiagnosis& diagnosis);
// What a rejected reply got wrong, in the same words: "format 0x0200", "kind 0x09", "17 bytes".
std::string ReplyFault(const ReceivedReply& reply);
// "0x0200" for HexText(0x200, 4).
std::string HexText(std::uint32_t value, int digits);

class RunObserver {
  public:
    virtual ~RunObserver() = default;

    virtual void RunStarted(const RunStart&) {}
    virtual void LeftoverAddressRemoved(const std::string& /*interfaceName*/) {}

    virtual void SearchStarted(std::int32_t /*kind*/) {}
    virtual void AdaptersSeen(const std::vector<AdapterReport>&) {}
    virtual void SearchShown(const SearchTexts&) {}
    virtual void PassStarted(const DiscoveryPass&) {}
    virtual void PassEnded(const DiscoveryPass&, int /*requestsSent*/) {}
    virtual void ReplyReceived(const ReceivedReply&) {}
    // The reply port could not be opened on this address, so its pass did not run.
    virtual void ReplySocketRefused(Ipv4 /*localAddress*/, std::uint32_t /*interfaceIndex*/) {}
    virtual void SearchGivenUp(const SearchTexts&) {}
    // Right before the SearchEnded of a search that found nothing.
    virtual void SearchDiagnosed(std::int32_t /*kind*/, const SearchDiagnosis&) {}
    // unitAddress 0: nothing was found.
    virtual void SearchEnded(std::int32_t /*kind*/, Ipv4 /*unitAddress*/, std::uint16_t /*version*/,
                             bool /*viaTempAddress*/) {}

    virtual void TempAddressAdded(std::uint32_t /*interfaceIndex*/) {}
    virtual void TempAddressRefused(std::uint32_t /*interfaceIndex*/) {}
    virtual void TempAddressRemoved() {}

    virtual void VersionShown(int /*slot*/, std::uint16_t /*unitVersion*/,
                              std::uint16_t /*carried*/) {}
    virtual void UnitAddressShown(int /*slot*/, Ipv4) {}
    virtual void Progress(int /*slot*/, std::uint32_t /*done*/, std::uint32_t /*total*/) {}
    // status 0 when no status was read; errorText empty when none.
    virtual void HttpRequestEnded(std::string_view /*url*/, std::uint32_t /*status*/,
                                  std::string_view /*errorText*/, std::chrono::milliseconds) {}
    virtual void TftpEnded(std::uint32_t /*blocks*/, std::uint32_t /*retransmissions*/,
                           std::uint32_t /*bytes*/, std::chrono::milliseconds) {}
    virtual void MessageShown(int /*textId*/, std::string_view /*caption*/,
                              std::string_view /*text*/) {}
    virtual void Offered(OfferedButton) {}
    // The end of one run of the main sequence; a retry starts another.
    virtual void RunEnded(SequenceOutcome) {}
    // The program's end, with its exit status and that status's name (app/exit_status.h).
    virtual void ProgramEnded(int /*status*/, std::string_view /*outcome*/) {}
    // After a check that found both units: a unit beside the image carried for it.
    virtual void UnitChecked(int /*slot*/, Ipv4 /*address*/, std::uint16_t /*version*/,
                             std::uint16_t /*carried*/, bool /*current*/) {}
};

// Hands every event to each listener added, in the order they were added.
class RunEvents final : public RunObserver {
  public:
    void Add(RunObserver& listener) { m_listeners.push_back(&listener); }

    void RunStarted(const RunStart& start) override;
    void LeftoverAddressRemoved(const std::string& interfaceName) override;
    void SearchStarted(std::int32_t kind) override;
    void AdaptersSeen(const std::vector<AdapterReport>& adapters) override;
    void SearchShown(const SearchTexts& texts) override;
    void PassStarted(const DiscoveryPass& pass) override;
    void PassEnded(const DiscoveryPass& pass, int requestsSent) override;
    void ReplyReceived(const ReceivedReply& reply) override;
    void ReplySocketRefused(Ipv4 localAddress, std::uint32_t interfaceIndex) override;
    void SearchGivenUp(const SearchTexts& texts) override;
    void SearchDiagnosed(std::int32_t kind, const SearchDiagnosis& diagnosis) override;
    void SearchEnded(std::int32_t kind, Ipv4 unitAddress, std::uint16_t version,
                     bool viaTempAddress) override;
    void TempAddressAdded(std::uint32_t interfaceIndex) override;
    void TempAddressRefused(std::uint32_t interfaceIndex) override;
    void TempAddressRemoved() override;
    void VersionShown(int slot, std::uint16_t unitVersion, std::uint16_t carried) override;
    void UnitAddressShown(int slot, Ipv4 address) override;
    void Progress(int slot, std::uint32_t done, std::uint32_t total) override;
    void HttpRequestEnded(std::string_view url, std::uint32_t status, std::string_view errorText,
                          std::chrono::milliseconds took) override;
    void TftpEnded(std::uint32_t blocks, std::uint32_t retransmissions, std::uint32_t bytes,
                   std::chrono::milliseconds took) override;
    void MessageShown(int textId, std::string_view caption, std::string_view text) override;
    void Offered(OfferedButton button) override;
    void RunEnded(SequenceOutcome outcome) override;
    void ProgramEnded(int status, std::string_view outcome) override;
    void UnitChecked(int slot, Ipv4 address, std::uint16_t version, std::uint16_t carried,
                     bool current) override;

  private:
    std::vector<RunObserver*> m_listeners;
};

// The listener that hears nothing, for parts built without one.
RunObserver& NoRunObserver();

}  // namespace rlq
