#include "platform/win32/adapter_info.h"

#include "platform/win32/sized_read.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform::win32 {

std::optional<AdapterInfoList> AdapterInfoList::Read() {
    auto buffer = ReadSized(ERROR_BUFFER_OVERFLOW, [](std::uint8_t* data, ULONG* size) {
        return ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(data), size);
    });
    if (!buffer) {
        return std::nullopt;
    }
    return AdapterInfoList(std::move(*buffer));
}

const IP_ADAPTER_INFO* AdapterInfoList::First() const {
    return reinterpret_cast<const IP_ADAPTER_INFO*>(m_buffer.data());
}

std::string AdapterName(const IP_ADAPTER_INFO& adapter) {
    return FromSystemCodePage(adapter.Description);
}

Ipv4 FromDottedText(const char* text) {
    return ParseIpv4(text).value_or(Ipv4{});
}

MaskedAddress ToMaskedAddress(const IP_ADDR_STRING& entry) {
    return {FromDottedText(entry.IpAddress.String), FromDottedText(entry.IpMask.String)};
}

}  // namespace rlq::platform::win32
