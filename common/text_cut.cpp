#include "common/text_cut.h"

#include <algorithm>

namespace rlq {
namespace {

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

std::string_view CutToCapacity(std::string_view utf8, std::size_t capacity,
                               const CharacterBytes& bytesOf) {
    std::size_t end = 0;
    std::size_t used = 0;
    while (end < utf8.size()) {
        std::size_t next = end + 1;
        while (next < utf8.size() && IsContinuation(utf8[next])) {
            ++next;
        }
        used += std::max<std::size_t>(bytesOf(utf8.substr(end, next - end)), 1);
        if (used > capacity) {
            break;
        }
        end = next;
    }
    return utf8.substr(0, end);
}

}  // namespace rlq
