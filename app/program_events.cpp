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

std::string ProcessText(const platform::ProcessIdentity& process) {
    const std::string pid = "pid " + std::to_string(process.processId);
    if (process.program.empty()) {
        return pid;
    }
    return process.program + " (" + pid + (process.user.empty() ? "" : ", user " + process.user) +
           ")";
}

}  // namespace rlq
