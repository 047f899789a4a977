#pragma once
// The loopback tests serve well-known ports; they run only where loopback is the sole interface,
// that is inside the private namespace that tests/netns/in-private-netns.sh provides.

#include <gtest/gtest.h>
#include <ifaddrs.h>

#include <cstring>

namespace rlq::testing {

inline bool InPrivateNetworkNamespace() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return false;
    }
    bool onlyLoopback = true;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        onlyLoopback = onlyLoopback && std::strcmp(entry->ifa_name, "lo") == 0;
    }
    ::freeifaddrs(list);
    return onlyLoopback;
}

class PrivateNetnsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!InPrivateNetworkNamespace()) {
            GTEST_SKIP()
                << "needs a network namespace of its own (tests/netns/in-private-netns.sh)";
        }
    }
};

}  // namespace rlq::testing
