#pragma once
// What must not outlive the process, even when a signal ends it: the temporary address on an
// adapter and the temporary file. The decorators register each one while it exists; a
// termination signal undoes whatever is registered before the process ends.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host_network.h"
#include "platform/temp_file.h"

namespace rlq::platform {

class ExitCleanup {
  public:
    using Id = std::uint64_t;
    using Undo = std::function<void()>;
    // Runs `acquire` and registers the undo it returns as one step, under the lock RunAll takes:
    // a signal handled meanwhile waits for both, so nothing acquired is ever left unregistered.
    // An empty undo (nothing acquired) registers nothing and gives 0. Once RunAll has run, the
    // process is ending: nothing more is acquired, and 0 comes back.
    Id Acquire(const std::function<Undo()>& acquire);
    // Runs the undo now if it is still registered, and forgets it.
    void Run(Id id);
    // Runs every registered undo; later calls of Run find nothing. Undos run under one lock, so
    // an undo in progress on another thread is finished before this returns.
    void RunAll();

  private:
    std::mutex m_lock;
    std::map<Id, Undo> m_undos;
    bool m_ended = false;
    Id m_next = 1;
};

class CleanupTrackingHostNetwork final : public HostNetwork {
  public:
    CleanupTrackingHostNetwork(HostNetwork& inner, ExitCleanup& cleanup)
        : m_inner(inner), m_cleanup(cleanup) {}
    std::optional<AdapterSnapshot> ReadAdapters() override { return m_inner.ReadAdapters(); }
    std::unique_ptr<RouteChangeWatch> WatchRouteChanges() override {
        return m_inner.WatchRouteChanges();
    }
    std::unique_ptr<AddressLease> AddAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                             Ipv4 mask) override;
    std::vector<std::string> RemoveLeftoverAddresses(Ipv4 address, Ipv4 mask) override {
        return m_inner.RemoveLeftoverAddresses(address, mask);
    }

  private:
    HostNetwork& m_inner;
    ExitCleanup& m_cleanup;
};

class CleanupTrackingTempFiles final : public TempFiles {
  public:
    CleanupTrackingTempFiles(TempFiles& inner, ExitCleanup& cleanup)
        : m_inner(inner), m_cleanup(cleanup) {}
    std::unique_ptr<TempFile> CreateIn(const std::string& folder) override;
    std::string SystemTempFolder() const override { return m_inner.SystemTempFolder(); }
    void Remove(const std::string& path) override;
    void RemoveLeftovers(const std::string& folder) override { m_inner.RemoveLeftovers(folder); }
    ReadOnlyFile OpenForReading(const std::string& path) override {
        return m_inner.OpenForReading(path);
    }

  private:
    TempFiles& m_inner;
    ExitCleanup& m_cleanup;
    std::mutex m_lock;
    std::map<std::string, ExitCleanup::Id> m_ids;
};

}  // namespace rlq::platform
