#include "platform/support/exit_cleanup.h"

namespace rlq::platform {
namespace {

class TrackedLease final : public AddressLease {
  public:
    TrackedLease(ExitCleanup& cleanup, ExitCleanup::Id id) : m_cleanup(cleanup), m_id(id) {}
    ~TrackedLease() override { m_cleanup.Run(m_id); }
    TrackedLease(const TrackedLease&) = delete;
    TrackedLease& operator=(const TrackedLease&) = delete;

  private:
    ExitCleanup& m_cleanup;
    ExitCleanup::Id m_id;
};

}  // namespace

ExitCleanup::Id ExitCleanup::Acquire(const std::function<Undo()>& acquire) {
    std::lock_guard lock(m_lock);
    if (m_ended) {
        return 0;
    }
    Undo undo = acquire();
    if (!undo) {
        return 0;
    }
    const Id id = m_next++;
    m_undos.emplace(id, std::move(undo));
    return id;
}

void ExitCleanup::Run(Id id) {
    std::lock_guard lock(m_lock);
    auto found = m_undos.find(id);
    if (found != m_undos.end()) {
        found->second();
        m_undos.erase(found);
    }
}

void ExitCleanup::RunAll() {
    std::lock_guard lock(m_lock);
    for (auto& [id, undo] : m_undos) {
        undo();
    }
    m_undos.clear();
    m_ended = true;
}

std::unique_ptr<AddressLease> CleanupTrackingHostNetwork::AddAddress(std::uint32_t interfaceIndex,
                                                                     Ipv4 address, Ipv4 mask) {
    const auto id = m_cleanup.Acquire([&]() -> ExitCleanup::Undo {
        std::shared_ptr<AddressLease> lease = m_inner.AddAddress(interfaceIndex, address, mask);
        if (!lease) {
            return {};
        }
        return [lease]() mutable { lease.reset(); };
    });
    return id != 0 ? std::make_unique<TrackedLease>(m_cleanup, id) : nullptr;
}

std::unique_ptr<TempFile> CleanupTrackingTempFiles::CreateIn(const std::string& folder) {
    std::unique_ptr<TempFile> file;
    const auto id = m_cleanup.Acquire([&]() -> ExitCleanup::Undo {
        file = m_inner.CreateIn(folder);
        if (!file) {
            return {};
        }
        return [this, path = file->Path()] { m_inner.Remove(path); };
    });
    if (id != 0) {
        std::lock_guard lock(m_lock);
        m_ids[file->Path()] = id;
    }
    return file;
}

void CleanupTrackingTempFiles::Remove(const std::string& path) {
    ExitCleanup::Id id = 0;
    {
        std::lock_guard lock(m_lock);
        auto found = m_ids.find(path);
        if (found == m_ids.end()) {
            m_inner.Remove(path);
            return;
        }
        id = found->second;
        m_ids.erase(found);
    }
    m_cleanup.Run(id);
}

}  // namespace rlq::platform
