#pragma once
// The byte transformation the sub unit's loader expects: each output byte is the input byte less
// a counter, exclusive-or the previous input byte, on 8-bit values.

#include <cstdint>

namespace rlq {

class SubImageTransform {
  public:
    std::uint8_t Next(std::uint8_t input) {
        const auto output =
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(input - m_counter) ^ m_previous);
        ++m_counter;
        m_previous = input;
        return output;
    }

  private:
    std::uint8_t m_previous = 0xA7;
    std::uint8_t m_counter = 0x6B;
};

}  // namespace rlq
