#pragma once
// Command line of the simulated unit: the two units' addresses, versions and behaviour.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/ipv4.h"
#include "common/unit_network.h"
#include "tools/unit-sim/web_style.h"

namespace rlq::sim {

// Replies sent before the right one, to exercise the updater's filters.
enum class FaultyReply {
    WrongKind,   // kind 0x81 (child unit), never the one searched for
    Oversized,   // the right reply and one byte more
    Undersized,  // the right reply less its last byte
    BadFormat,   // format version 0x0101
};

struct UnitConfig {
    const char* label = "";
    std::uint8_t kind = 0;        // reply kind byte
    std::uint8_t wantedCode = 0;  // request byte 7 that asks for this unit
    Ipv4 address;
    int prefixLength = 0;
    std::uint16_t version = 0x0100;  // four BCD digits, 0x0130 is 1.30
    bool silent = false;
    int answersAfterMs = 0;   // a unit still starting: searches before this go unanswered
    int unwantedReplies = 0;  // replies sent to every request, whatever unit it asks for
    std::vector<FaultyReply> sendFirst{};
    // A foreign reply instead of the right one: another format or another unit's kind byte.
    std::optional<std::uint16_t> replyFormat{};
    std::optional<std::uint8_t> replyKind{};
};

// The web interfaces and TFTP loaders, and the faults they are told to show.
struct TransferOptions {
    std::optional<std::pair<std::uint16_t, std::uint32_t>> refuseChunk;  // chunk, status
    std::uint32_t resetStatus = 204;
    WebFault webFault = WebFault::None;
    std::size_t webFaultFrom = 0;     // requests before this one are served normally
    std::vector<WebStyle> webStyles;  // taken in turn by each web interface's answers
    std::vector<std::uint16_t> dropFirstAckOf;
    bool duplicateAcks = false;
    bool loaderSilent = false;
    std::uint32_t ackDelayMs = 0;
    std::optional<Ipv4> ackFrom;         // another unit-side address that sends the ACKs
    std::optional<Ipv4> specialAddr;     // a loader that is always ready, for the special mode
    std::size_t delayedAcks = SIZE_MAX;  // with ackDelayMs: only the first this many ACKs
    int dropPercent = 0;            // a lossy link: this share of discovery replies and ACKs lost
    int junkCount = 0;              // junk datagrams sent with every discovery reply and ACK
    std::optional<Ipv4> spoofFrom;  // a third host that sends wrong ACKs first
};

struct SimOptions {
    UnitConfig main{.label = "main", .kind = kUnitKindMain, .wantedCode = kWantedMain};
    UnitConfig sub{.label = "sub", .kind = kUnitKindSub, .wantedCode = kWantedSub};
    TransferOptions transfer{};
};

// nullopt with `error` set when the command line is not understood.
std::optional<SimOptions> ParseOptions(int argc, char** argv, std::string& error);

std::string Usage();

}  // namespace rlq::sim
