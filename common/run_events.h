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
    struct Address {
        Ipv4 address = 0;
        Ipv4 mask = 0;
    };
    std::vector<Address> addresses;
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
    virtual void SearchGivenUp(const SearchTexts&) {}
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
    void SearchGivenUp(const SearchTexts& texts) override;
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
