#pragma once
// Transfer services for a document that never transfers, because every unit it is given already
// runs the carried version: the doubles behind them stay idle.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "firmware/transfer_services.h"
#include "platform/process.h"
#include "tests/net/http_fake_layer.h"
#include "tests/net/tftp_fake_sockets.h"
#include "tests/net/tftp_test_support.h"

namespace rlq::test {

class IdleTransferServices {
  public:
    TransferServices With(platform::Toolkit& ui) { return {ui, m_process, m_http, m_udp, m_files}; }

  private:
    class NoProcess final : public platform::ProcessEnvironment {
      public:
        std::unique_ptr<platform::SingleInstanceGuard> ClaimSingleInstance(
            std::string_view) override {
            return nullptr;
        }
        std::optional<std::string> ProgramPath() override { return std::nullopt; }
        char PathSeparator() const override { return '/'; }
        bool SetCurrentDirectory(const std::string&) override { return false; }
        bool StartSockets() override { return false; }
        bool MayChangeAddresses() const override { return false; }
    };

    NoProcess m_process;
    FakeHttpLayer m_http;
    FakeUdpSockets m_udp{nullptr};
    ReadingTempFiles m_files;
};

}  // namespace rlq::test
