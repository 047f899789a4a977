#pragma once
// The platform services the transfer procedures use; the document borrows them for its life.

namespace rlq::platform {
class Toolkit;
}

namespace rlq {

struct TransferServices {
    platform::Toolkit* ui = nullptr;  // message boxes owned by the main window
};

}  // namespace rlq
