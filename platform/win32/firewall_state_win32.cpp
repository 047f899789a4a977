#include "platform/win32/firewall_state.h"

#include <windows.h>

#include <netfw.h>
#include <wrl/client.h>

#include <charconv>
#include <string>
#include <vector>

#include "platform/win32/com.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform::win32 {
namespace {

using Microsoft::WRL::ComPtr;

// NET_FW_IP_PROTOCOL_ANY, which the MinGW headers lack.
constexpr long kAnyProtocol = 256;

// A host has a few hundred rules; a walk longer than this tells nothing rather than stall.
constexpr int kMostRules = 20000;
constexpr long kMostProducts = 16;

struct ProfileBit {
    NET_FW_PROFILE_TYPE2 bit;
    FirewallProfileKind kind;
};
constexpr ProfileBit kProfileBits[] = {
    {NET_FW_PROFILE2_DOMAIN, FirewallProfileKind::Domain},
    {NET_FW_PROFILE2_PRIVATE, FirewallProfileKind::Private},
    {NET_FW_PROFILE2_PUBLIC, FirewallProfileKind::Public},
};

std::vector<FirewallProfileKind> KindsOf(long profiles) {
    std::vector<FirewallProfileKind> kinds;
    for (const ProfileBit& profile : kProfileBits) {
        if ((profiles & profile.bit) != 0) {
            kinds.push_back(profile.kind);
        }
    }
    return kinds;
}

template <typename Get>
std::optional<bool> Setting(Get get) {
    VARIANT_BOOL value = VARIANT_FALSE;
    if (FAILED(get(&value))) {
        return std::nullopt;
    }
    return value != VARIANT_FALSE;
}

std::vector<FirewallProfile> Profiles(INetFwPolicy2& policy, long current) {
    std::vector<FirewallProfile> profiles;
    for (const ProfileBit& profile : kProfileBits) {
        if ((current & profile.bit) == 0) {
            continue;
        }
        const NET_FW_PROFILE_TYPE2 bit = profile.bit;
        profiles.push_back({
            profile.kind,
            Setting([&](VARIANT_BOOL* v) { return policy.get_FirewallEnabled(bit, v); }),
            Setting([&](VARIANT_BOOL* v) { return policy.get_BlockAllInboundTraffic(bit, v); }),
            Setting([&](VARIANT_BOOL* v) {
                return policy.get_UnicastResponsesToMulticastBroadcastDisabled(bit, v);
            }),
        });
    }
    return profiles;
}

// Rules may name the program through environment variables ("%ProgramFiles%\...").
bool NamesProgram(std::wstring_view ruleApplication, std::wstring_view program) {
    if (ruleApplication.empty()) {
        return false;
    }
    const std::wstring named(ruleApplication);
    std::wstring expanded(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::ExpandEnvironmentStringsW(named.c_str(), expanded.data(),
                                                         static_cast<DWORD>(expanded.size()));
        if (length == 0) {
            return false;
        }
        if (length <= expanded.size()) {
            expanded.resize(length - 1);
            break;
        }
        expanded.resize(length);
    }
    return ::CompareStringOrdinal(expanded.data(), static_cast<int>(expanded.size()),
                                  program.data(), static_cast<int>(program.size()),
                                  TRUE) == CSTR_EQUAL;
}

FirewallProtocol ProtocolOf(long protocol) {
    switch (protocol) {
        case kAnyProtocol:
            return FirewallProtocol::Any;
        case NET_FW_IP_PROTOCOL_UDP:
            return FirewallProtocol::Udp;
        default:
            return FirewallProtocol::Other;
    }
}

struct RuleLook {
    std::wstring_view program;
    long current = 0;
    std::uint16_t replyPort = 0;
};

// The rule as it bears on the replies: nullopt for one that does not. False where it cannot be
// read.
bool Bearing(INetFwRule& rule, const RuleLook& look, std::optional<FirewallRule>& bearing) {
    VARIANT_BOOL enabled = VARIANT_FALSE;
    NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_OUT;
    long profiles = 0;
    if (FAILED(rule.get_Enabled(&enabled)) || FAILED(rule.get_Direction(&direction)) ||
        FAILED(rule.get_Profiles(&profiles))) {
        return false;
    }
    if (enabled == VARIANT_FALSE || direction != NET_FW_RULE_DIR_IN ||
        (profiles & look.current) == 0) {
        return true;
    }
    NET_FW_ACTION action = NET_FW_ACTION_ALLOW;
    long protocol = 0;
    UniqueBstr application;
    UniqueBstr localPorts;
    UniqueBstr remoteAddresses;
    UniqueBstr name;
    if (FAILED(rule.get_Action(&action)) || FAILED(rule.get_Protocol(&protocol)) ||
        FAILED(rule.get_ApplicationName(application.Out())) ||
        FAILED(rule.get_LocalPorts(localPorts.Out())) ||
        FAILED(rule.get_RemoteAddresses(remoteAddresses.Out())) ||
        FAILED(rule.get_Name(name.Out()))) {
        return false;
    }
    const std::string ports = Narrow(localPorts.View());
    const bool takesReplyPort = protocol == kAnyProtocol || LocalPortsHold(ports, look.replyPort);
    // Of the rules for every program, only those that name the port: not every open one.
    const bool forReplyPort = application.View().empty() && protocol == NET_FW_IP_PROTOCOL_UDP &&
                              ports != "*" && takesReplyPort;
    // A block for some senders only may leave the units out: it tells nothing.
    const bool blocksSome = action == NET_FW_ACTION_BLOCK && remoteAddresses.View() != L"*";
    if ((!forReplyPort && !NamesProgram(application.View(), look.program)) || blocksSome) {
        return true;
    }
    bearing =
        FirewallRule{Narrow(name.View()),
                     action == NET_FW_ACTION_BLOCK ? FirewallAction::Block : FirewallAction::Allow,
                     ProtocolOf(protocol), takesReplyPort, KindsOf(profiles & look.current)};
    return true;
}

// Nullopt where any rule cannot be read: the one left out might be the one that allows.
std::optional<std::vector<FirewallRule>> Rules(INetFwPolicy2& policy, const RuleLook& look) {
    ComPtr<INetFwRules> rules;
    ComPtr<IUnknown> walk;
    ComPtr<IEnumVARIANT> items;
    if (FAILED(policy.get_Rules(&rules)) || FAILED(rules->get__NewEnum(&walk)) ||
        FAILED(walk.As(&items))) {
        return std::nullopt;
    }
    std::vector<FirewallRule> found;
    for (int i = 0; i < kMostRules; ++i) {
        UniqueVariant item;
        ULONG fetched = 0;
        const HRESULT next = items->Next(1, item.Out(), &fetched);
        if (next == S_FALSE) {
            return found;
        }
        ComPtr<INetFwRule> rule;
        if (FAILED(next) || fetched != 1 || item.Get().vt != VT_DISPATCH ||
            item.Get().pdispVal == nullptr ||
            FAILED(item.Get().pdispVal->QueryInterface(IID_PPV_ARGS(&rule)))) {
            return std::nullopt;
        }
        std::optional<FirewallRule> bearing;
        if (!Bearing(*rule.Get(), look, bearing)) {
            return std::nullopt;
        }
        if (bearing) {
            found.push_back(std::move(*bearing));
        }
    }
    return std::nullopt;
}

std::vector<std::string> OtherFirewalls() {
    ComPtr<INetFwProducts> products;
    long count = 0;
    if (FAILED(::CoCreateInstance(__uuidof(NetFwProducts), nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&products))) ||
        FAILED(products->get_Count(&count))) {
        return {};
    }
    std::vector<std::string> names;
    for (long i = 0; i < count && i < kMostProducts; ++i) {
        ComPtr<INetFwProduct> product;
        UniqueBstr name;
        if (SUCCEEDED(products->Item(i, &product)) &&
            SUCCEEDED(product->get_DisplayName(name.Out())) && !name.View().empty()) {
            names.push_back(Narrow(name.View()));
        }
    }
    return names;
}

}  // namespace

std::optional<FirewallState> ReadFirewallState(std::wstring_view programPath,
                                               std::uint16_t replyPort) {
    const ComApartment com;
    if (!com.Usable()) {
        return std::nullopt;
    }
    FirewallState state;
    state.otherFirewalls = OtherFirewalls();
    ComPtr<INetFwPolicy2> policy;
    long current = 0;
    if (FAILED(::CoCreateInstance(__uuidof(NetFwPolicy2), nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&policy))) ||
        FAILED(policy->get_CurrentProfileTypes(&current))) {
        if (state.otherFirewalls.empty()) {
            return std::nullopt;
        }
        return state;
    }
    state.profiles = Profiles(*policy.Get(), current);
    state.rules = Rules(*policy.Get(), {programPath, current, replyPort});
    return state;
}

bool LocalPortsHold(std::string_view ports, std::uint16_t port) {
    if (ports == "*") {
        return true;
    }
    auto number = [](std::string_view text, std::uint16_t& value) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc{} && end == text.data() + text.size();
    };
    while (!ports.empty()) {
        const std::size_t comma = ports.find(',');
        const std::string_view item = ports.substr(0, comma);
        ports.remove_prefix(comma == std::string_view::npos ? ports.size() : comma + 1);
        const std::size_t dash = item.find('-');
        std::uint16_t low = 0;
        std::uint16_t high = 0;
        if (dash == std::string_view::npos
                ? number(item, low) && number(item, high)
                : number(item.substr(0, dash), low) && number(item.substr(dash + 1), high)) {
            if (low <= port && port <= high) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace rlq::platform::win32
