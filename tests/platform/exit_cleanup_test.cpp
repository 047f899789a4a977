#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/support/exit_cleanup.h"
#include "platform/temp_file.h"
#include "tests/doubles/host_network.h"

namespace rlq::platform {
namespace {

TEST(ExitCleanup, UndoesLeasesAndFilesOnceWhicheverComesFirst) {
    ExitCleanup cleanup;
    testing::FakeHostNetwork host;
    CleanupTrackingHostNetwork tracked(host, cleanup);
    auto early = tracked.AddAddress(3, Ipv4{1}, Ipv4{2});
    auto late = tracked.AddAddress(3, Ipv4{1}, Ipv4{2});
    early.reset();
    EXPECT_EQ(host.held, 1);

    CleanupTrackingTempFiles files(SystemTempFiles(), cleanup);
    const std::string folder = SystemTempFiles().SystemTempFolder();
    auto file = files.CreateIn(folder);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Close());

    cleanup.RunAll();  // as on SIGTERM
    EXPECT_EQ(host.held, 0);
    EXPECT_EQ(SystemTempFiles().OpenForReading(file->Path()), nullptr);
    late.reset();
    files.Remove(file->Path());
    EXPECT_EQ(host.held, 0) << "an undone lease is not undone twice";

    // The process is ending: what another thread asks for now is refused, not left behind.
    EXPECT_EQ(tracked.AddAddress(3, Ipv4{1}, Ipv4{2}), nullptr);
    EXPECT_EQ(files.CreateIn(folder), nullptr);
}

// A termination signal handled while an address is being added waits for the add and removes it:
// nothing lies between the address being there and being registered.
TEST(ExitCleanup, ASignalDuringAnAddWaitsForItAndUndoesIt) {
    testing::FakeHostNetwork host;
    std::mutex lock;
    std::condition_variable changed;
    bool adding = false;
    bool release = false;
    host.duringAdd = [&] {
        std::unique_lock hold(lock);
        adding = true;
        changed.notify_all();
        changed.wait(hold, [&] { return release; });
    };
    ExitCleanup cleanup;
    CleanupTrackingHostNetwork tracked(host, cleanup);
    std::unique_ptr<AddressLease> lease;
    std::thread adder([&] { lease = tracked.AddAddress(3, Ipv4{1}, Ipv4{2}); });
    {
        std::unique_lock hold(lock);
        changed.wait(hold, [&] { return adding; });
    }
    std::thread signal([&] { cleanup.RunAll(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    {
        std::lock_guard hold(lock);
        release = true;
    }
    changed.notify_all();
    adder.join();
    signal.join();
    EXPECT_EQ(host.adds, 1);
    EXPECT_EQ(host.held, 0);
    lease.reset();
    EXPECT_EQ(host.held, 0);
}

}  // namespace
}  // namespace rlq::platform
