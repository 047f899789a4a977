#pragma once
// The process's services as the tests script them: another instance may hold the guard, the
// socket start may fail, and the current directory is recorded instead of changed.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/process.h"

namespace rlq::testing {

class FakeProcess final : public platform::ProcessEnvironment {
  public:
    bool anotherInstance = false;
    bool socketsFail = false;
    std::optional<std::string> programPath = "/opt/rlq/rlq-updater";
    std::string currentDirectory;

    std::unique_ptr<platform::SingleInstanceGuard> ClaimSingleInstance(std::string_view) override {
        return anotherInstance ? nullptr : std::make_unique<platform::SingleInstanceGuard>();
    }
    std::optional<std::string> ProgramPath() override { return programPath; }
    char PathSeparator() const override { return '/'; }
    bool SetCurrentDirectory(const std::string& folder) override {
        currentDirectory = folder;
        return true;
    }
    bool StartSockets() override { return !socketsFail; }
    bool MayChangeAddresses() const override { return true; }
};

}  // namespace rlq::testing
