#pragma once
// Scripted host looks for the diagnosis of a search that found nothing.

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "platform/search_probes.h"

namespace rlq::testing {

class FakeSearchProbes final : public platform::SearchProbes {
  public:
    // The senders the capture reports; nullopt: no capture on this platform.
    std::optional<std::vector<Ipv4>> arrivals;
    std::vector<platform::UdpPortHolder> holders;
    std::vector<platform::RouteRow> routes;
    std::optional<platform::FirewallState> firewall;
    std::atomic<int> holderLooks = 0;  // the looks run on a thread of their own

    std::unique_ptr<platform::ArrivalCapture> CaptureUdpArrivals(std::uint16_t) override {
        if (!arrivals) {
            return nullptr;
        }
        return std::make_unique<Capture>(*this);
    }
    std::vector<platform::UdpPortHolder> UdpPortHolders(std::uint16_t) override {
        ++holderLooks;
        return holders;
    }
    std::vector<platform::RouteRow> Ipv4Routes() override { return routes; }
    std::optional<platform::FirewallState> Firewall(std::uint16_t) override { return firewall; }

  private:
    class Capture final : public platform::ArrivalCapture {
      public:
        explicit Capture(FakeSearchProbes& probes) : m_probes(probes) {}
        std::vector<Ipv4> TakeSenders() override { return *m_probes.arrivals; }

      private:
        FakeSearchProbes& m_probes;
    };
};

}  // namespace rlq::testing
