// The payload size text of the sub unit's image, as any bytes.

#include <algorithm>
#include <vector>

#include "firmware/image_format.h"
#include "fuzz/fuzz_check.h"

namespace {

bool EndsText(std::uint8_t byte) {
    return byte == 0 || byte == '\r' || byte == '\n';
}

bool IsDigit(std::uint8_t byte) {
    return byte >= '0' && byte <= '9';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> text(data, size);
    const std::uint32_t value = rlq::ParseSizeText(text);

    // Nothing after the first NUL, CR or LF counts.
    const std::vector<std::uint8_t> line(text.begin(),
                                         std::find_if(text.begin(), text.end(), EndsText));
    FUZZ_CHECK(rlq::ParseSizeText(line) == value);
    std::vector<std::uint8_t> longer = line;
    longer.insert(longer.end(), {'\r', '\n', '9', '9'});
    FUZZ_CHECK(rlq::ParseSizeText(longer) == value);

    // Every byte other than a digit is skipped.
    std::vector<std::uint8_t> digits;
    std::copy_if(line.begin(), line.end(), std::back_inserter(digits), IsDigit);
    FUZZ_CHECK(rlq::ParseSizeText(digits) == value);
    if (digits.empty()) {
        FUZZ_CHECK(value == 0);
    }

    // One more digit multiplies by ten and adds it, wrapping at 32 bits.
    digits.push_back('7');
    FUZZ_CHECK(rlq::ParseSizeText(digits) == value * 10u + 7u);
    return 0;
}
