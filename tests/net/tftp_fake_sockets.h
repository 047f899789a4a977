#pragma once
// Scripted UDP sockets for the TFTP client: every sent datagram is recorded and a responder
// decides what the "unit" answers. Waiting with nothing queued takes real time, so the client's
// time-outs behave as on a network.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "common/ipv4.h"
#include "platform/udp_socket.h"

namespace rlq::test {

struct SentPacket {
    std::vector<std::uint8_t> bytes;
    Ipv4 to;
    std::uint16_t port;
};

struct FakeReply {
    std::vector<std::uint8_t> bytes;
    Ipv4 from;
    std::uint16_t fromPort;
};

// Runs on the client's worker thread; `sendIndex` counts every datagram sent on the socket.
using Responder = std::function<std::vector<FakeReply>(const SentPacket&, std::size_t sendIndex)>;

class FakeUdpSockets final : public platform::UdpSocketFactory {
  public:
    explicit FakeUdpSockets(Responder responder) : m_responder(std::move(responder)) {}

    std::unique_ptr<platform::UdpSocket> Open(const platform::UdpOptions& options) override;

    std::vector<SentPacket> Sent() const {
        std::lock_guard lock(m_mutex);
        return m_sent;
    }
    std::vector<platform::UdpOptions> Opened() const {
        std::lock_guard lock(m_mutex);
        return m_opened;
    }

    bool failOpen = false;
    bool failSend = false;

  private:
    class Socket;

    Responder m_responder;
    mutable std::mutex m_mutex;
    std::vector<SentPacket> m_sent;
    std::vector<platform::UdpOptions> m_opened;
};

class FakeUdpSockets::Socket final : public platform::UdpSocket {
  public:
    explicit Socket(FakeUdpSockets& owner) : m_owner(owner) {}

    long SendTo(std::span<const std::uint8_t> data, Ipv4 to, std::uint16_t port) override {
        if (m_owner.failSend) {
            return -1;
        }
        SentPacket packet{{data.begin(), data.end()}, to, port};
        std::size_t index;
        {
            std::lock_guard lock(m_owner.m_mutex);
            index = m_owner.m_sent.size();
            m_owner.m_sent.push_back(packet);
        }
        for (auto& reply : m_owner.m_responder(packet, index)) {
            m_queue.push_back(std::move(reply));
        }
        return static_cast<long>(data.size());
    }

    std::optional<platform::Datagram> ReceiveFrom(std::span<std::uint8_t> buffer) override {
        if (m_queue.empty()) {
            return std::nullopt;
        }
        FakeReply reply = std::move(m_queue.front());
        m_queue.erase(m_queue.begin());
        const std::size_t copied = std::min(buffer.size(), reply.bytes.size());
        std::copy_n(reply.bytes.begin(), copied, buffer.begin());
        return platform::Datagram{reply.bytes.size(), reply.from, reply.fromPort};
    }

    bool WaitReadable(std::chrono::milliseconds bound) override {
        if (!m_queue.empty()) {
            return true;
        }
        std::this_thread::sleep_for(bound);
        return false;
    }

  private:
    FakeUdpSockets& m_owner;
    std::vector<FakeReply> m_queue;
};

inline std::unique_ptr<platform::UdpSocket> FakeUdpSockets::Open(
    const platform::UdpOptions& options) {
    if (failOpen) {
        return nullptr;
    }
    std::lock_guard lock(m_mutex);
    m_opened.push_back(options);
    return std::make_unique<Socket>(*this);
}

}  // namespace rlq::test
