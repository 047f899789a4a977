#pragma once

#include <cstdint>

#include "common/ipv4.h"

namespace rlq {

// What a search found for one slot; unitAddress 0.0.0.0 means nothing was found.
struct UnitSlot {
    Ipv4 localAddress;
    Ipv4 unitAddress;
    std::uint32_t interfaceIndex = 0;
    bool viaTempAddress = false;  // the unit answered only through the temporary address
    std::uint16_t version = 0;

    friend bool operator==(const UnitSlot&, const UnitSlot&) = default;
};

}  // namespace rlq
