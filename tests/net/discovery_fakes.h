#pragma once
// Scripted host network and UDP sockets for the discovery tests. Every fake writes into one
// shared event log, so tests can check the order of address, route and socket events.

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/ipv4.h"
#include "common/unit_network.h"
#include "platform/host_network.h"
#include "platform/udp_socket.h"

namespace rlq::testing {

class EventLog {
  public:
    void Add(std::string event) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    std::vector<std::string> Events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
};

// Virtual milliseconds; socket waits advance it instead of sleeping.
class FakeTime {
  public:
    void Advance(std::chrono::milliseconds step) { m_ms += step.count(); }
    std::int64_t WholeSeconds() const { return m_ms / 1000; }

  private:
    std::atomic<std::int64_t> m_ms{0};
};

class FakeHostNetwork final : public platform::HostNetwork {
  public:
    explicit FakeHostNetwork(EventLog& log) : m_log(log) {}

    std::optional<platform::AdapterSnapshot> snapshot;
    bool refuseAdd = false;
    platform::RouteWaitResult waitResult = platform::RouteWaitResult::Signalled;
    std::atomic<int> held{0};

    std::optional<platform::AdapterSnapshot> ReadAdapters() override { return snapshot; }

    std::unique_ptr<platform::RouteChangeWatch> WatchRouteChanges() override {
        m_log.Add("watch");
        return std::make_unique<Watch>(*this);
    }

    std::unique_ptr<platform::AddressLease> AddAddress(std::uint32_t interfaceIndex, Ipv4 address,
                                                       Ipv4 mask) override {
        const std::string what =
            std::to_string(interfaceIndex) + " " + FormatIpv4(address) + "/" + FormatIpv4(mask);
        if (refuseAdd) {
            m_log.Add("add refused " + what);
            return nullptr;
        }
        m_log.Add("add " + what);
        ++held;
        return std::make_unique<Lease>(*this, what);
    }

  private:
    struct Watch final : platform::RouteChangeWatch {
        explicit Watch(FakeHostNetwork& host) : host(host) {}
        platform::RouteWaitResult Wait(std::chrono::milliseconds bound) override {
            host.m_log.Add("wait " + std::to_string(bound.count()));
            return host.waitResult;
        }
        FakeHostNetwork& host;
    };
    struct Lease final : platform::AddressLease {
        Lease(FakeHostNetwork& host, std::string what) : host(host), what(std::move(what)) {}
        ~Lease() override {
            host.m_log.Add("remove " + what);
            --host.held;
        }
        FakeHostNetwork& host;
        std::string what;
    };

    EventLog& m_log;
};

struct SentDatagram {
    Ipv4 from;
    Ipv4 to;
    std::uint16_t port;
    std::vector<std::uint8_t> data;
};

struct IncomingDatagram {
    std::vector<std::uint8_t> data;
    Ipv4 from;
};

class FakeUdpSockets final : public platform::UdpSocketFactory {
  public:
    // With `time`, waits advance virtual time and return at once; without, they sleep.
    FakeUdpSockets(EventLog& log, FakeTime* time) : m_log(log), m_time(time) {}

    // Called for every request sent; what it returns is queued on the sending socket.
    std::function<std::vector<IncomingDatagram>(const SentDatagram&)> responder;
    bool refuseOpen = false;
    long sendResult = -2;  // -2: report the full length sent
    std::atomic<int> reads{0};
    std::atomic<int> unread{0};  // datagrams left in sockets when they closed

    std::unique_ptr<platform::UdpSocket> Open(const platform::UdpOptions& options) override {
        const std::string local = FormatIpv4(options.bindAddress.value_or(0));
        if (refuseOpen) {
            m_log.Add("open refused " + local);
            return nullptr;
        }
        {
            std::lock_guard lock(m_mutex);
            m_opened.push_back(options);
        }
        m_log.Add("open " + local);
        return std::make_unique<Socket>(*this, options.bindAddress.value_or(0));
    }

    std::vector<platform::UdpOptions> Opened() const {
        std::lock_guard lock(m_mutex);
        return m_opened;
    }
    std::vector<SentDatagram> Sent() const {
        std::lock_guard lock(m_mutex);
        return m_sent;
    }

  private:
    class Socket final : public platform::UdpSocket {
      public:
        Socket(FakeUdpSockets& owner, Ipv4 local) : m_owner(owner), m_local(local) {}
        ~Socket() override {
            m_owner.unread += static_cast<int>(m_queue.size());
            m_owner.m_log.Add("close " + FormatIpv4(m_local));
        }

        long SendTo(std::span<const std::uint8_t> data, Ipv4 to, std::uint16_t port) override {
            SentDatagram sent{m_local, to, port, {data.begin(), data.end()}};
            {
                std::lock_guard lock(m_owner.m_mutex);
                m_owner.m_sent.push_back(sent);
            }
            if (m_owner.sendResult != -2) {
                return m_owner.sendResult;
            }
            if (m_owner.responder) {
                for (IncomingDatagram& reply : m_owner.responder(sent)) {
                    m_queue.push_back(std::move(reply));
                }
            }
            return static_cast<long>(data.size());
        }

        std::optional<platform::Datagram> ReceiveFrom(std::span<std::uint8_t> buffer) override {
            if (m_queue.empty()) {
                return std::nullopt;
            }
            IncomingDatagram datagram = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_owner.reads;
            std::copy_n(datagram.data.begin(), std::min(buffer.size(), datagram.data.size()),
                        buffer.begin());
            return platform::Datagram{datagram.data.size(), datagram.from, kDiscoveryRequestPort};
        }

        bool WaitReadable(std::chrono::milliseconds bound) override {
            if (!m_queue.empty()) {
                return true;
            }
            if (m_owner.m_time != nullptr) {
                m_owner.m_time->Advance(bound);
            } else {
                std::this_thread::sleep_for(bound);
            }
            return false;
        }

      private:
        FakeUdpSockets& m_owner;
        Ipv4 m_local;
        std::deque<IncomingDatagram> m_queue;
    };

    EventLog& m_log;
    FakeTime* m_time;
    mutable std::mutex m_mutex;
    std::vector<platform::UdpOptions> m_opened;
    std::vector<SentDatagram> m_sent;
};

// A reply as a unit sends it.
inline std::vector<std::uint8_t> MakeReply(std::uint8_t kind, std::uint16_t version,
                                           std::uint16_t format = kDiscoveryFormatVersion) {
    std::vector<std::uint8_t> reply(kDiscoveryMagic.begin(), kDiscoveryMagic.end());
    reply.push_back(static_cast<std::uint8_t>(format >> 8));
    reply.push_back(static_cast<std::uint8_t>(format & 0xFF));
    reply.push_back(kind);
    reply.push_back(static_cast<std::uint8_t>(version >> 8));
    reply.push_back(static_cast<std::uint8_t>(version & 0xFF));
    reply.resize(kDiscoveryDatagramSize, 0);
    return reply;
}

}  // namespace rlq::testing
