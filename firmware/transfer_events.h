#pragma once
// What the document reports: each transfer by TFTP, and every message box shown (by it or by the
// layers above, which show theirs on the same terms).

#include <chrono>
#include <cstdint>
#include <string_view>

#include "common/listeners.h"

namespace rlq {

class TransferObserver {
  public:
    virtual ~TransferObserver() = default;

    virtual void TftpEnded(std::uint32_t /*blocks*/, std::uint32_t /*retransmissions*/,
                           std::uint32_t /*bytes*/, std::chrono::milliseconds) {}
    virtual void MessageShown(int /*textId*/, std::string_view /*caption*/,
                              std::string_view /*text*/) {}
};
using TransferListeners = Listeners<TransferObserver>;

}  // namespace rlq
