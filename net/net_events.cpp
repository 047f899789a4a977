#include "net/net_events.h"

#include <cstdio>

namespace rlq {

std::string HexText(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string ReplyFault(const ReceivedReply& reply) {
    switch (reply.verdict) {
        case ReplyVerdict::WrongLength:
            return std::to_string(reply.length) + " bytes";
        case ReplyVerdict::NotAReply:
            return "no REPLY header";
        case ReplyVerdict::NewerFormat:
            return "format " + HexText(reply.format, 4);
        case ReplyVerdict::UnknownKind:
        case ReplyVerdict::KindNotWanted:
            return "kind " + HexText(reply.unitKind, 2);
        case ReplyVerdict::VersionFiltered:
        case ReplyVerdict::Accepted:
            break;
    }
    return "version " + HexText(reply.version, 4);
}

}  // namespace rlq
