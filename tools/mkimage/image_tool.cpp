#include "tools/mkimage/image_tool.h"

#include <cstring>

#include "common/big_endian.h"
#include "firmware/image_format.h"

namespace rlq::mkimage {

namespace h = image_header;

std::vector<std::uint8_t> MakeStandInPayload(std::size_t size, std::uint32_t seed,
                                             std::optional<std::uint16_t> wordSum) {
    std::vector<std::uint8_t> payload(size);
    std::uint32_t state = seed != 0 ? seed : 0x9E3779B9u;
    for (std::uint8_t& byte : payload) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    if (wordSum && size >= 2 && size % 2 == 0) {
        std::uint8_t* lastWord = payload.data() + size - 2;
        WriteBe16(lastWord, 0);
        const std::uint16_t rest = WordSum(payload);
        WriteBe16(lastWord, static_cast<std::uint16_t>(*wordSum - rest));
    }
    return payload;
}

std::vector<std::uint8_t> BuildImage(std::uint16_t kind, std::uint16_t version,
                                     const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> image(h::kSize, 0);
    std::memcpy(image.data(), h::kMagic.data(), h::kMagic.size());
    WriteBe16(&image[h::kKindOffset], kind);
    image[h::kMarkerOffset] = h::kMarker[0];
    image[h::kMarkerOffset + 1] = h::kMarker[1];
    WriteBe16(&image[h::kVersionOffset], version);
    WriteBe16(&image[h::kChecksumOffset], WordSum(payload));
    std::memset(&image[h::kFillOffset], h::kFillByte, h::kSize - h::kFillOffset);
    image.insert(image.end(), payload.begin(), payload.end());
    return image;
}

std::string CheckImage(const std::vector<std::uint8_t>& image, const Expectation& expected) {
    if (image.size() < h::kSize) {
        return "shorter than its 512-byte header";
    }
    // Nothing to send would read as a finished transfer even from a loader that never answers.
    if (image.size() == h::kSize) {
        return "no payload after the header";
    }
    if (std::memcmp(image.data(), h::kMagic.data(), h::kMagic.size()) != 0) {
        return "bad magic";
    }
    if (image[h::kMarkerOffset] != h::kMarker[0] || image[h::kMarkerOffset + 1] != h::kMarker[1]) {
        return "bad marker";
    }
    for (std::size_t i = h::kFillOffset; i < h::kSize; ++i) {
        if (image[i] != h::kFillByte) {
            return "header fill is not all 0xFF";
        }
    }
    const std::span<const std::uint8_t> payload(image.data() + h::kSize, image.size() - h::kSize);
    if (WordSum(payload) != ReadBe16(&image[h::kChecksumOffset])) {
        return "payload checksum does not match the header";
    }
    if (expected.kind && ReadBe16(&image[h::kKindOffset]) != *expected.kind) {
        return "unexpected image kind";
    }
    if (expected.version && ImageVersion(image.data()) != *expected.version) {
        return "unexpected version";
    }
    if (expected.payloadSize && payload.size() != *expected.payloadSize) {
        return "payload is " + std::to_string(payload.size()) + " bytes, expected " +
               std::to_string(*expected.payloadSize);
    }
    return {};
}

std::optional<std::uint16_t> ParseVersionText(const std::string& text) {
    const auto dot = text.find('.');
    if (dot == std::string::npos || dot == 0 || dot > 2 || text.size() != dot + 3) {
        return std::nullopt;
    }
    std::uint16_t bcd = 0;
    for (char c : text.substr(0, dot) + text.substr(dot + 1)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        bcd = static_cast<std::uint16_t>((bcd << 4) | (c - '0'));
    }
    return bcd;
}

}  // namespace rlq::mkimage
