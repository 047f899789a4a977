#pragma once
// Cutting UTF-8 text to a byte capacity that is counted in another encoding, such as the system's
// narrow code page, where a character may take fewer or more bytes than in UTF-8.

#include <cstddef>
#include <functional>
#include <string_view>

namespace rlq {

// Bytes one character (one whole UTF-8 sequence) takes in the encoding that counts.
using CharacterBytes = std::function<std::size_t(std::string_view utf8Character)>;

// The longest start of `utf8` that ends on a character boundary and takes at most `capacity`
// bytes as `bytesOf` counts them. A character counted as nothing still takes one byte.
std::string_view CutToCapacity(std::string_view utf8, std::size_t capacity,
                               const CharacterBytes& bytesOf);

}  // namespace rlq
