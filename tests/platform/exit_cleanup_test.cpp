#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/support/exit_cleanup.h"
#include "platform/temp_file.h"

namespace rlq::platform {
namespace {

class RecordingLease final : public AddressLease {
  public:
    explicit RecordingLease(int& removed) : m_removed(removed) {}
    ~RecordingLease() override { ++m_removed; }

  private:
    int& m_removed;
};

class LeasingHost final : public HostNetwork {
  public:
    int removed = 0;
    std::optional<AdapterSnapshot> ReadAdapters() override { return std::nullopt; }
    std::unique_ptr<RouteChangeWatch> WatchRouteChanges() override { return nullptr; }
    std::unique_ptr<AddressLease> AddAddress(std::uint32_t, Ipv4, Ipv4) override {
        return std::make_unique<RecordingLease>(removed);
    }
};

TEST(ExitCleanup, UndoesLeasesAndFilesOnceWhicheverComesFirst) {
    ExitCleanup cleanup;
    LeasingHost host;
    CleanupTrackingHostNetwork tracked(host, cleanup);
    auto early = tracked.AddAddress(3, 1, 2);
    auto late = tracked.AddAddress(3, 1, 2);
    early.reset();
    EXPECT_EQ(host.removed, 1);

    CleanupTrackingTempFiles files(SystemTempFiles(), cleanup);
    const std::string folder = SystemTempFiles().SystemTempFolder();
    auto file = files.CreateIn(folder);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Close());

    cleanup.RunAll();  // as on SIGTERM
    EXPECT_EQ(host.removed, 2);
    EXPECT_EQ(SystemTempFiles().OpenForReading(file->Path()), nullptr);
    late.reset();
    files.Remove(file->Path());
    EXPECT_EQ(host.removed, 2) << "an undone lease is not undone twice";

    // The process is ending: what another thread asks for now is refused, not left behind.
    EXPECT_EQ(tracked.AddAddress(3, 1, 2), nullptr);
    EXPECT_EQ(files.CreateIn(folder), nullptr);
}

// A termination signal handled while an address is being added waits for the add and removes it:
// nothing lies between the address being there and being registered.
TEST(ExitCleanup, ASignalDuringAnAddWaitsForItAndUndoesIt) {
    class SlowHost final : public HostNetwork {
      public:
        int removed = 0;
        std::mutex lock;
        std::condition_variable changed;
        bool adding = false;
        bool release = false;
        std::optional<AdapterSnapshot> ReadAdapters() override { return std::nullopt; }
        std::unique_ptr<RouteChangeWatch> WatchRouteChanges() override { return nullptr; }
        std::unique_ptr<AddressLease> AddAddress(std::uint32_t, Ipv4, Ipv4) override {
            std::unique_lock hold(lock);
            adding = true;
            changed.notify_all();
            changed.wait(hold, [this] { return release; });
            return std::make_unique<RecordingLease>(removed);
        }
    } host;
    ExitCleanup cleanup;
    CleanupTrackingHostNetwork tracked(host, cleanup);
    std::unique_ptr<AddressLease> lease;
    std::thread adder([&] { lease = tracked.AddAddress(3, 1, 2); });
    {
        std::unique_lock hold(host.lock);
        host.changed.wait(hold, [&] { return host.adding; });
    }
    std::thread signal([&] { cleanup.RunAll(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    {
        std::lock_guard hold(host.lock);
        host.release = true;
    }
    host.changed.notify_all();
    adder.join();
    signal.join();
    EXPECT_EQ(host.removed, 1);
    lease.reset();
    EXPECT_EQ(host.removed, 1);
}

}  // namespace
}  // namespace rlq::platform
