#include "tools/net-helper/helper_session.h"

#include <charconv>
#include <climits>

#include "common/temp_address.h"
#include "platform/linux/helper_protocol.h"

namespace rlq::net_helper {
namespace {

// The program holds one address at a time; a few more cover an unpaired earlier one.
constexpr std::size_t kMaxLeases = 4;

// A decimal number from 1 to INT_MAX that fills `text` entirely.
bool ParseId(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.front() == '0') {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && value <= INT_MAX;
}

// Splits off the first word; false when `line` does not start with `word` and one space.
bool TakeWord(std::string_view& line, std::string_view word) {
    if (line.size() <= word.size() || line.substr(0, word.size()) != word ||
        line[word.size()] != ' ') {
        return false;
    }
    line.remove_prefix(word.size() + 1);
    return true;
}

}  // namespace

std::string HelperSession::Handle(std::string_view request) {
    if (TakeWord(request, kAdd)) {
        return Add(request);
    }
    if (TakeWord(request, kRemove)) {
        return Remove(request);
    }
    if (request == kSweep) {
        return Sweep();
    }
    return {};
}

std::string HelperSession::Sweep() {
    // An address of its own looks like a leftover: the program sweeps before it adds.
    if (!m_leases.empty()) {
        return std::string(kRefused);
    }
    std::string reply(kSwept);
    for (const std::string& name : m_host.RemoveLeftoverAddresses(kTempAddress, kTempMask)) {
        reply += " " + name;
    }
    return reply;
}

std::string HelperSession::Add(std::string_view arguments) {
    const auto space = arguments.find(' ');
    std::uint32_t interfaceIndex = 0;
    if (space == std::string_view::npos || !ParseId(arguments.substr(0, space), interfaceIndex)) {
        return {};
    }
    // Nothing but the temporary address: the program cannot ask for any other.
    if (arguments.substr(space + 1) != kTempAddressText || m_leases.size() >= kMaxLeases ||
        !m_isEthernet(interfaceIndex)) {
        return std::string(kRefused);
    }
    auto lease = m_host.AddAddress(interfaceIndex, kTempAddress, kTempMask);
    if (!lease) {
        return std::string(kRefused);
    }
    const std::uint32_t id = m_nextLease++;
    m_leases.emplace(id, std::move(lease));
    return std::string(kLease) + " " + std::to_string(id);
}

std::string HelperSession::Remove(std::string_view arguments) {
    std::uint32_t id = 0;
    if (!ParseId(arguments, id)) {
        return {};
    }
    return m_leases.erase(id) != 0 ? std::string(kRemoved) : std::string(kUnknown);
}

}  // namespace rlq::net_helper
