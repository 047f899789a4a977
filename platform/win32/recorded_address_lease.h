#pragma once
// Temporary addresses through IP Helper, each recorded before it is added, so that the next start
// finds what a killed run left. An address added so has no lifetime: without its record it stays
// until the PC restarts, looking like one the user configured.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/ipv4.h"
#include "platform/host_network.h"
#include "platform/win32/address_records.h"

namespace rlq::platform::win32 {

// Null when the system refuses the address. The record is made before the add and completed with
// the address's handle after it; the lease deletes the address, then the record.
std::unique_ptr<AddressLease> AddRecordedAddress(AddressRecords& records,
                                                 std::uint32_t interfaceIndex,
                                                 MaskedAddress address);

// Deletes each `address` that a run now ended added, as its records and the adapters show, drops
// the records that name nothing any more, and names the adapters it was deleted from.
std::vector<std::string> RemoveRecordedLeftovers(AddressRecords& records, MaskedAddress address);

}  // namespace rlq::platform::win32
