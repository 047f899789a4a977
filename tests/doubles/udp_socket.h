#pragma once
// Scripted UDP sockets: every open and every send is recorded, and a responder decides what the
// other side answers; the answers queue on the socket that sent. Waiting with nothing queued
// takes real time, so time-outs behave as on a network, or advances a FakeTime when one is given.
// Opens and closes go to an event log, shared with other doubles when the test passes one.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "common/ipv4.h"
#include "common/unit_network.h"
#include "platform/udp_socket.h"
#include "tests/support/event_log.h"
#include "tests/support/fake_time.h"

namespace rlq::testing {

struct SentDatagram {
    Ipv4 from;  // the socket's bound address, 0 when unbound
    Ipv4 to;
    std::uint16_t port;
    std::vector<std::uint8_t> data;
    std::size_t index;  // its place among all datagrams sent through the factory
};

struct IncomingDatagram {
    std::vector<std::uint8_t> data;
    Ipv4 from;
    // The port the units answer a discovery request from.
    std::uint16_t fromPort = kDiscoveryRequestPort;
};

// Called on the sending thread for every datagram sent.
using Responder = std::function<std::vector<IncomingDatagram>(const SentDatagram&)>;

class FakeUdpSockets final : public platform::UdpSocketFactory {
  public:
    explicit FakeUdpSockets(Responder responder = {}) : responder(std::move(responder)) {}
    FakeUdpSockets(EventLog& log, FakeTime* time) : m_log(&log), m_time(time) {}

    Responder responder;
    bool refuseOpen = false;
    // What every send reports instead of the full length; such a send is recorded, not answered.
    std::optional<platform::SendResult> sendResult;
    std::atomic<int> reads{0};
    std::atomic<int> unread{0};  // datagrams left in sockets when they closed

    std::unique_ptr<platform::UdpSocket> Open(const platform::UdpOptions& options) override {
        const Ipv4 local = options.bindAddress.value_or(Ipv4{});
        if (refuseOpen) {
            m_log->Add("open refused " + FormatIpv4(local));
            return nullptr;
        }
        {
            std::lock_guard lock(m_mutex);
            m_opened.push_back(options);
        }
        m_log->Add("open " + FormatIpv4(local));
        return std::make_unique<Socket>(*this, local);
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
            m_owner.m_log->Add("close " + FormatIpv4(m_local));
        }

        platform::SendResult SendTo(std::span<const std::uint8_t> data, Ipv4 to,
                                    std::uint16_t port) override {
            SentDatagram sent{m_local, to, port, {data.begin(), data.end()}, 0};
            {
                std::lock_guard lock(m_owner.m_mutex);
                sent.index = m_owner.m_sent.size();
                m_owner.m_sent.push_back(sent);
            }
            if (m_owner.sendResult) {
                return *m_owner.sendResult;
            }
            if (m_owner.responder) {
                for (IncomingDatagram& reply : m_owner.responder(sent)) {
                    m_queue.push_back(std::move(reply));
                }
            }
            return {static_cast<long>(data.size()), {}};
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
            return platform::Datagram{datagram.data.size(), datagram.from, datagram.fromPort};
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

    EventLog m_ownLog;
    EventLog* m_log = &m_ownLog;
    FakeTime* m_time = nullptr;
    mutable std::mutex m_mutex;
    std::vector<platform::UdpOptions> m_opened;
    std::vector<SentDatagram> m_sent;
};

}  // namespace rlq::testing
