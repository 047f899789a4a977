#pragma once
// What the program reports of itself: its start with what it carries, what a killed run left
// and was removed, and its end with the exit status.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/listeners.h"
#include "platform/process.h"

namespace rlq {

enum class RunMode { Update, Check, SpecialMode };
// "update", "check", "special-mode": the words of the log and the history.
std::string_view RunModeName(RunMode mode);

struct RunStart {
    std::string programVersion;              // "1.34.1.6"
    std::array<std::uint16_t, 2> carried{};  // by slot
    RunMode mode = RunMode::Update;
    std::string firmwareInfo;  // the carried images as the window names them
    std::string windowTitle;
};

class ProgramObserver {
  public:
    virtual ~ProgramObserver() = default;

    virtual void RunStarted(const RunStart&) {}
    virtual void LeftoverAddressRemoved(const std::string& /*interfaceName*/) {}
    // The single-instance name is held, by this process where the system tells.
    virtual void InstanceNameHeld(std::string_view /*name*/,
                                  const platform::ProcessIdentity& /*holder*/) {}
    // The program's end, with its exit status and that status's name (app/exit_status.h).
    virtual void ProgramEnded(int /*status*/, std::string_view /*outcome*/) {}
};
using ProgramListeners = Listeners<ProgramObserver>;

// "rlq-squatter (pid 4242, user alice)", or "pid 4242" where the system tells no more.
std::string ProcessText(const platform::ProcessIdentity& process);

}  // namespace rlq
