#pragma once
// GetAdaptersInfo's list, read in one place for the adapter snapshot and the leftover sweep, with
// its texts read as values there.

#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ipv4.h"

namespace rlq::platform::win32 {

class AdapterInfoList {
  public:
    // nullopt when the system does not give the list.
    static std::optional<AdapterInfoList> Read();
    const IP_ADAPTER_INFO* First() const;

  private:
    explicit AdapterInfoList(std::vector<std::uint8_t> buffer) : m_buffer(std::move(buffer)) {}
    std::vector<std::uint8_t> m_buffer;
};

// The name the program gives an adapter: its description, as the system shows it to people.
std::string AdapterName(const IP_ADAPTER_INFO& adapter);

// A text that is not a dotted quad reads as 0.0.0.0, which the adapter list leaves out.
Ipv4 FromDottedText(const char* text);
MaskedAddress ToMaskedAddress(const IP_ADDR_STRING& entry);

}  // namespace rlq::platform::win32
