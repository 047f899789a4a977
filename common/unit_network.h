#pragma once
// What the updater and a unit agree on over the network: ports, the special mode's address and
// the fixed parts of the discovery and TFTP datagrams. The simulated unit serves the same.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/ipv4.h"

namespace rlq {

// Discovery: the "REPLY" request goes out to the request port; the units answer to the reply
// port. Requests and replies alike are 16 bytes: the magic, the big-endian format version, the
// wanted unit (request) or the unit's kind (reply), then the rest.
inline constexpr std::uint16_t kDiscoveryRequestPort = 12103;
inline constexpr std::uint16_t kDiscoveryReplyPort = 12104;
inline constexpr std::size_t kDiscoveryDatagramSize = 16;
inline constexpr std::string_view kDiscoveryMagic = "REPLY";
inline constexpr std::uint16_t kDiscoveryFormatVersion = 0x0100;
// A reply's format (bytes 5-6), unit kind (7) and version (8-9) end here.
inline constexpr std::size_t kDiscoveryReplyFieldsEnd = 10;

// Request byte 7: the unit a search asks for; any unit answers a request for none.
inline constexpr std::uint8_t kWantedAnyUnit = 0;
inline constexpr std::uint8_t kWantedBase = 1;
inline constexpr std::uint8_t kWantedChild = 2;
inline constexpr std::uint8_t kWantedMain = 3;
inline constexpr std::uint8_t kWantedSub = 4;

// Reply byte 7: the kind of unit that answers.
inline constexpr std::uint32_t kUnitKindBase = 0x80;
inline constexpr std::uint32_t kUnitKindChild = 0x81;
inline constexpr std::uint32_t kUnitKindMain = 0x82;
inline constexpr std::uint32_t kUnitKindSub = 0x83;

// The sub unit's loader: a TFTP write of one file in lock-step blocks; a shorter block ends it.
inline constexpr std::uint16_t kTftpPort = 69;
inline constexpr std::size_t kTftpBlockSize = 512;
inline constexpr std::string_view kTftpFileName = "RLQ";
// Every packet begins with its big-endian opcode; data and acknowledgements follow it with the
// block number, which makes the header of a data block and the whole of an acknowledgement.
inline constexpr std::uint16_t kTftpOpcodeWriteRequest = 2;
inline constexpr std::uint16_t kTftpOpcodeData = 3;
inline constexpr std::uint16_t kTftpOpcodeAck = 4;
inline constexpr std::size_t kTftpHeaderSize = 4;

// The units' web interface: the main unit takes its update in chunks at one object, the sub unit
// is reset into its loader at the other.
inline constexpr std::uint16_t kHttpPort = 80;
inline constexpr char kUpdatePath[] = "update";
inline constexpr char kResetPath[] = "update_reset";

// Where the sub unit's loader answers in the special mode.
inline constexpr Ipv4 kSpecialModeSubAddress = MakeIpv4(10, 255, 255, 237);

}  // namespace rlq
