#include "app/program_events.h"

namespace rlq {

std::string_view RunModeName(RunMode mode) {
    switch (mode) {
        case RunMode::Check:
            return "check";
        case RunMode::SpecialMode:
            return "special-mode";
        case RunMode::Update:
            break;
    }
    return "update";
}

}  // namespace rlq
