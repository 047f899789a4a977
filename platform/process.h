#pragma once
// Process-wide services: the single-instance guard, the program's own path, the current
// directory and the start of socket use.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace rlq::platform {

// Held while this instance runs; destroying it lets a new instance start.
class SingleInstanceGuard {
  public:
    virtual ~SingleInstanceGuard() = default;
};

// A process as far as the system tells of it.
struct ProcessIdentity {
    std::uint32_t processId = 0;
    std::string program;  // empty where the system does not tell
    std::string user;     // empty where the system does not tell
};

class ProcessEnvironment {
  public:
    virtual ~ProcessEnvironment() = default;
    // Null when another instance holds `name`, and also when the guard cannot be had at all:
    // an unguarded copy could reset and write a unit that another copy is updating.
    virtual std::unique_ptr<SingleInstanceGuard> ClaimSingleInstance(std::string_view name) = 0;
    // Who holds `name` when a claim was refused, where the system tells.
    virtual std::optional<ProcessIdentity> SingleInstanceHolder(std::string_view /*name*/) {
        return std::nullopt;
    }
    // Full path of the running executable (UTF-8), nullopt when the system cannot tell.
    virtual std::optional<std::string> ProgramPath() = 0;
    virtual char PathSeparator() const = 0;
    virtual bool SetCurrentDirectory(const std::string& path) = 0;
    // Starts the system's socket use for the process; false when that fails.
    virtual bool StartSockets() = 0;
    // Whether this process may add and delete addresses on the adapters.
    virtual bool MayChangeAddresses() const = 0;
};

ProcessEnvironment& SystemProcess();

}  // namespace rlq::platform
