#include "tools/unit-sim/sim_options.h"

#include <charconv>
#include <functional>
#include <string_view>

namespace rlq::sim {
namespace {

bool ParseAddressWithPrefix(std::string_view text, UnitConfig& unit) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return false;
    }
    const std::optional<Ipv4> address = ParseIpv4(text.substr(0, slash));
    const std::string_view prefix = text.substr(slash + 1);
    int length = -1;
    const auto [end, ec] = std::from_chars(prefix.data(), prefix.data() + prefix.size(), length);
    if (!address || ec != std::errc{} || end != prefix.data() + prefix.size() || length < 1 ||
        length > 30) {
        return false;
    }
    unit.address = *address;
    unit.prefixLength = length;
    return true;
}

// Decimal digits read as BCD nibbles: "30" -> 0x30.
std::optional<std::uint8_t> ParseBcd(std::string_view digits) {
    if (digits.empty() || digits.size() > 2) {
        return std::nullopt;
    }
    std::uint8_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = static_cast<std::uint8_t>((value << 4) | (c - '0'));
    }
    return value;
}

// "1.30" -> 0x0130; the minor part has two digits.
bool ParseVersion(std::string_view text, UnitConfig& unit) {
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || text.size() - dot - 1 != 2) {
        return false;
    }
    const auto major = ParseBcd(text.substr(0, dot));
    const auto minor = ParseBcd(text.substr(dot + 1));
    if (!major || !minor) {
        return false;
    }
    unit.version = static_cast<std::uint16_t>((*major << 8) | *minor);
    return true;
}

// "A,B,...": each item through `parseItem`, which appends it; false at the first it refuses.
template <typename ParseItem>
bool ParseList(std::string_view text, ParseItem parseItem) {
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        if (!parseItem(text.substr(0, comma))) {
            return false;
        }
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return true;
}

bool ParseFaultyReplies(std::string_view text, UnitConfig& unit) {
    return ParseList(text, [&unit](std::string_view item) {
        if (item == "wrong-kind") {
            unit.sendFirst.push_back(FaultyReply::WrongKind);
        } else if (item == "oversized") {
            unit.sendFirst.push_back(FaultyReply::Oversized);
        } else if (item == "undersized") {
            unit.sendFirst.push_back(FaultyReply::Undersized);
        } else if (item == "bad-format") {
            unit.sendFirst.push_back(FaultyReply::BadFormat);
        } else {
            return false;
        }
        return true;
    });
}

// "0200" or "0x0200".
template <typename Number>
bool ParseHex(std::string_view text, std::optional<Number>& value) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    Number number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number, 16);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
        return false;
    }
    value = number;
    return true;
}

struct OptionRule {
    std::string name;
    bool takesValue;
    std::function<bool(SimOptions&, std::string_view)> apply;
};

// Both units take the same options, "--main-..." and "--sub-...".
void AddUnitOptions(std::vector<OptionRule>& rules, const std::string& prefix,
                    UnitConfig SimOptions::*unit) {
    auto name = [&prefix](const char* suffix) { return "--" + prefix + suffix; };
    rules.push_back({name("-addr"), true, [unit](SimOptions& o, std::string_view v) {
                         return ParseAddressWithPrefix(v, o.*unit);
                     }});
    rules.push_back({name("-version"), true, [unit](SimOptions& o, std::string_view v) {
                         return ParseVersion(v, o.*unit);
                     }});
    rules.push_back({name("-silent"), false, [unit](SimOptions& o, std::string_view) {
                         (o.*unit).silent = true;
                         return true;
                     }});
    rules.push_back({name("-send-first"), true, [unit](SimOptions& o, std::string_view v) {
                         return ParseFaultyReplies(v, o.*unit);
                     }});
    rules.push_back({name("-reply-format"), true, [unit](SimOptions& o, std::string_view v) {
                         return ParseHex(v, (o.*unit).replyFormat);
                     }});
    rules.push_back({name("-reply-kind"), true, [unit](SimOptions& o, std::string_view v) {
                         return ParseHex(v, (o.*unit).replyKind);
                     }});
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc{} && end == text.data() + text.size();
}

bool ParseAddress(std::string_view text, std::optional<Ipv4>& address) {
    address = ParseIpv4(text);
    return address.has_value();
}

// "K:S" refuses chunk K with status S.
bool ParseRefusal(std::string_view text, TransferOptions& transfer) {
    const std::size_t colon = text.find(':');
    std::uint16_t chunk = 0;
    std::uint32_t status = 0;
    if (colon == std::string_view::npos || !ParseNumber(text.substr(0, colon), chunk) ||
        !ParseNumber(text.substr(colon + 1), status)) {
        return false;
    }
    transfer.refuseChunk = std::pair{chunk, status};
    return true;
}

// "KIND" or "KIND@N": the fault from request N on.
bool ParseWebFault(std::string_view text, TransferOptions& transfer) {
    const std::size_t at = text.find('@');
    const auto fault = ParseWebFaultName(text.substr(0, at));
    if (!fault || (at != std::string_view::npos &&
                   !ParseNumber(text.substr(at + 1), transfer.webFaultFrom))) {
        return false;
    }
    transfer.webFault = *fault;
    return true;
}

bool ParseWebStyles(std::string_view text, std::vector<WebStyle>& styles) {
    return ParseList(text, [&styles](std::string_view item) {
        const auto style = ParseWebStyle(item);
        if (style) {
            styles.push_back(*style);
        }
        return style.has_value();
    });
}

bool ParseBlockList(std::string_view text, std::vector<std::uint16_t>& blocks) {
    return ParseList(text, [&blocks](std::string_view item) {
        std::uint16_t block = 0;
        if (!ParseNumber(item, block)) {
            return false;
        }
        blocks.push_back(block);
        return true;
    });
}

void AddTransferOptions(std::vector<OptionRule>& rules) {
    using V = std::string_view;
    rules.push_back(
        {"--refuse-chunk", true, [](SimOptions& o, V v) { return ParseRefusal(v, o.transfer); }});
    rules.push_back({"--reset-status", true,
                     [](SimOptions& o, V v) { return ParseNumber(v, o.transfer.resetStatus); }});
    rules.push_back(
        {"--web-fault", true, [](SimOptions& o, V v) { return ParseWebFault(v, o.transfer); }});
    rules.push_back({"--web-style", true,
                     [](SimOptions& o, V v) { return ParseWebStyles(v, o.transfer.webStyles); }});
    rules.push_back({"--drop-first-ack", true, [](SimOptions& o, V v) {
                         return ParseBlockList(v, o.transfer.dropFirstAckOf);
                     }});
    rules.push_back({"--duplicate-acks", false, [](SimOptions& o, V) {
                         o.transfer.duplicateAcks = true;
                         return true;
                     }});
    rules.push_back({"--loader-silent", false, [](SimOptions& o, V) {
                         o.transfer.loaderSilent = true;
                         return true;
                     }});
    rules.push_back({"--ack-delay-ms", true,
                     [](SimOptions& o, V v) { return ParseNumber(v, o.transfer.ackDelayMs); }});
    rules.push_back({"--ack-from", true,
                     [](SimOptions& o, V v) { return ParseAddress(v, o.transfer.ackFrom); }});
    rules.push_back({"--delayed-acks", true,
                     [](SimOptions& o, V v) { return ParseNumber(v, o.transfer.delayedAcks); }});
    rules.push_back({"--drop-percent", true, [](SimOptions& o, V v) {
                         return ParseNumber(v, o.transfer.dropPercent) &&
                                o.transfer.dropPercent >= 0 && o.transfer.dropPercent < 100;
                     }});
    rules.push_back(
        {"--junk", true, [](SimOptions& o, V v) { return ParseNumber(v, o.transfer.junkCount); }});
    rules.push_back({"--main-answers-after", true,
                     [](SimOptions& o, V v) { return ParseNumber(v, o.main.answersAfterMs); }});
    rules.push_back({"--sub-unwanted", true,
                     [](SimOptions& o, V v) { return ParseNumber(v, o.sub.unwantedReplies); }});
    rules.push_back({"--spoof-from", true,
                     [](SimOptions& o, V v) { return ParseAddress(v, o.transfer.spoofFrom); }});
    rules.push_back({"--special-addr", true,
                     [](SimOptions& o, V v) { return ParseAddress(v, o.transfer.specialAddr); }});
}

const std::vector<OptionRule>& OptionTable() {
    static const std::vector<OptionRule> table = [] {
        std::vector<OptionRule> rules;
        AddUnitOptions(rules, "main", &SimOptions::main);
        AddUnitOptions(rules, "sub", &SimOptions::sub);
        AddTransferOptions(rules);
        return rules;
    }();
    return table;
}

}  // namespace

std::string Usage() {
    return "usage: rlq-unit-sim --main-addr A.B.C.D/P --sub-addr A.B.C.D/P [options]\n"
           "  --main-version M.mm, --sub-version M.mm   firmware version reported (default 1.00)\n"
           "  --main-silent, --sub-silent               the unit does not answer searches\n"
           "  --main-send-first LIST, --sub-send-first LIST\n"
           "      replies sent before the right one, comma separated:\n"
           "      wrong-kind, oversized, undersized, bad-format\n"
           "  --main-reply-format HEX, --sub-reply-format HEX\n"
           "      its reply carries this format instead of 0100\n"
           "  --main-reply-kind HEX, --sub-reply-kind HEX\n"
           "      its reply carries this unit-kind byte instead of its own (82 main, 83 sub)\n"
           "  --refuse-chunk K:S        answer chunk K of the main unit's update with status S\n"
           "  --reset-status S          answer the sub unit's update_reset with S (default 204)\n"
           "  --web-fault KIND[@N]      from request N on: never-answer, close-mid-response,\n"
           "      garbage or interim-only (a 100 head alone, then close)\n"
           "  --web-style STYLE,...     both web interfaces answer in these styles, request by\n"
           "      request in turn: full (the default), status-only, status-reset (the status\n"
           "      line, then a connection reset), no-blank-line, short-body, long-body, junk\n"
           "  --drop-first-ack N,...    the loader loses its first ACK of these blocks\n"
           "  --duplicate-acks          the loader sends every ACK twice\n"
           "  --loader-silent           the loader never answers\n"
           "  --ack-delay-ms MS         the loader answers after MS milliseconds\n"
           "  --ack-from A.B.C.D        the loader's ACKs come from this other address\n"
           "  --special-addr A.B.C.D    an always-ready loader there, for the special mode\n"
           "  --delayed-acks N          with --ack-delay-ms: only the first N ACKs are late\n"
           "  --drop-percent P          a lossy link: P% of discovery replies and ACKs are lost\n"
           "  --junk N                  N junk datagrams with every discovery reply and ACK\n"
           "  --main-answers-after MS   the main unit, still starting, answers searches only\n"
           "      MS milliseconds after the start\n"
           "  --sub-unwanted N          the sub unit answers every request N times, whatever\n"
           "      unit it asks for\n"
           "  --spoof-from A.B.C.D      a third host sends an ACK of the next block first\n"
           "SIGHUP is a power cycle: units whose update arrived whole and matched the carried\n"
           "image report its version from then on; \"powered on\" ends its lines.\n";
}

std::optional<SimOptions> ParseOptions(int argc, char** argv, std::string& error) {
    SimOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const OptionRule* rule = nullptr;
        for (const OptionRule& candidate : OptionTable()) {
            if (arg == candidate.name) {
                rule = &candidate;
            }
        }
        if (rule == nullptr) {
            error = "unknown option " + std::string(arg);
            return std::nullopt;
        }
        std::string_view value;
        if (rule->takesValue) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return std::nullopt;
            }
            value = argv[++i];
        }
        if (!rule->apply(options, value)) {
            error = "bad value for " + std::string(arg) + ": " + std::string(value);
            return std::nullopt;
        }
    }
    if (options.main.address == Ipv4{} || options.sub.address == Ipv4{}) {
        error = "--main-addr and --sub-addr are required";
        return std::nullopt;
    }
    return options;
}

}  // namespace rlq::sim
