#pragma once
// For test programs that tests/netns/with-netns.sh runs in its PC namespace: the fixture's
// addresses and interface, which it passes in the environment, and the check that the program
// is inside that namespace, so that it never changes or sends on a real network.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "common/ipv4.h"
#include "platform/host_network.h"

namespace rlq::testing {

inline std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

inline Ipv4 EnvAddress(const char* name) {
    return ParseIpv4(Env(name)).value_or(Ipv4{});
}

inline std::uint32_t PcIndex() {
    return static_cast<std::uint32_t>(std::stoul(Env("RLQ_PC_IFINDEX")));
}

inline bool InsidePcNamespace() {
    const std::string ns = Env("RLQ_NS_PC");
    struct stat own {};
    struct stat named {};
    return !ns.empty() && ::stat("/proc/self/ns/net", &own) == 0 &&
           ::stat(("/run/netns/" + ns).c_str(), &named) == 0 && own.st_ino == named.st_ino &&
           own.st_dev == named.st_dev;
}

inline bool HasAddress(Ipv4 address) {
    const auto snapshot = platform::SystemHostNetwork().ReadAdapters();
    for (const auto& adapter : snapshot.value().adapters) {
        for (const MaskedAddress& own : adapter.addresses) {
            if (own.address == address) {
                return true;
            }
        }
    }
    return false;
}

// Tests that change or send on the adapters they find: anywhere but in the fixture's namespace
// they fail before doing anything.
class PcNamespaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(InsidePcNamespace()) << "runs only inside tests/netns/with-netns.sh";
    }
};

}  // namespace rlq::testing
