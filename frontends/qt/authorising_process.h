#pragma once
// The process as the desktop program uses it. Right after the single instance is claimed, the
// address rights are obtained (the helper is started, which may ask the user to authenticate),
// as Windows asks for administrator rights at the start of the program. When they cannot be
// had, the start ends after its own message, the way a second copy ends.

#include <functional>

#include "platform/process.h"

namespace rlq::qt_frontend {

class AuthorisingProcess final : public platform::ProcessEnvironment {
  public:
    // `obtainRights` shows its own message and returns false when the start must end.
    AuthorisingProcess(platform::ProcessEnvironment& inner, std::function<bool()> obtainRights)
        : m_inner(inner), m_obtainRights(std::move(obtainRights)) {}

    std::unique_ptr<platform::SingleInstanceGuard> ClaimSingleInstance(
        std::string_view name) override {
        auto guard = m_inner.ClaimSingleInstance(name);
        if (!guard || !m_obtainRights()) {
            return nullptr;
        }
        m_rightsObtained = true;
        return guard;
    }
    std::optional<std::string> ProgramPath() override { return m_inner.ProgramPath(); }
    char PathSeparator() const override { return m_inner.PathSeparator(); }
    bool SetCurrentDirectory(const std::string& path) override {
        return m_inner.SetCurrentDirectory(path);
    }
    bool StartSockets() override { return m_inner.StartSockets(); }
    // Through the helper once the start has obtained its rights.
    bool MayChangeAddresses() const override {
        return m_rightsObtained || m_inner.MayChangeAddresses();
    }

  private:
    platform::ProcessEnvironment& m_inner;
    std::function<bool()> m_obtainRights;
    bool m_rightsObtained = false;
};

}  // namespace rlq::qt_frontend
