#pragma once
// The simulated sub unit's loader: a TFTP write server on UDP port 69 that takes every packet of
// the transfer on that port (the updater sends its data blocks there too) and answers from it.
// It answers only while armed (by the reset request) unless configured always on, and offers the
// faults the updater's client must survive or report.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string_view>
#include <vector>

#include "common/ipv4.h"
#include "common/unit_network.h"
#include "platform/udp_socket.h"
#include "tools/unit-sim/service.h"
#include "tools/unit-sim/tftp_write_receiver.h"

namespace rlq::sim {

struct TftpLoaderConfig {
    Ipv4 address = MakeIpv4(127, 0, 0, 1);
    std::uint16_t port = kTftpPort;
    bool alwaysArmed = false;
    std::set<std::uint16_t> dropFirstAckOf{};  // block numbers whose first acknowledgement is lost
    bool duplicateAcks = false;                // every acknowledgement goes out twice
    std::optional<Ipv4> answerFrom{};          // another local address that sends the answers
    bool neverAnswer = false;
    std::chrono::milliseconds ackDelay{0};
    std::size_t delayedAcks = SIZE_MAX;  // only the first this many ACKs wait ackDelay
    int dropPercent = 0;                 // a share of ACKs lost at random (a lossy link)
    int junkPerAck = 0;                  // junk datagrams sent at the client's port with each ACK
    std::optional<Ipv4> spoofFrom{};     // a third host that sends an ACK of the next block first
    // One line per write request and per finished transfer, on the loader's thread.
    std::function<void(std::string_view)> log{};
};

struct TftpLoaderCounts {
    std::size_t writeRequests = 0;
    std::size_t dataPackets = 0;  // duplicates included
    std::size_t acksSent = 0;
    std::size_t acksDropped = 0;
};

class TftpLoader final : public Service {
  public:
    explicit TftpLoader(TftpLoaderConfig config,
                        platform::UdpSocketFactory& sockets = platform::SystemUdpSockets());
    ~TftpLoader() override;
    TftpLoader(const TftpLoader&) = delete;
    TftpLoader& operator=(const TftpLoader&) = delete;

    const char* Name() const override { return "TFTP loader"; }
    // False (with the reason on stderr) when the port or the answering address cannot be bound.
    bool Start() override;
    void Stop() override;

    void Arm();
    bool IsArmed() const;

    // A transfer ended with a data block shorter than 512 bytes.
    bool IsComplete() const;
    bool WaitComplete(std::chrono::milliseconds bound);
    // The bytes as received, still transformed.
    std::vector<std::uint8_t> Received() const;
    // The received bytes with the updater's transformation undone.
    std::vector<std::uint8_t> RecoveredPayload() const;
    TftpLoaderCounts Counts() const;

  private:
    void Serve();
    void Handle(std::span<const std::uint8_t> packet, Ipv4 from, std::uint16_t fromPort);
    void SendAck(std::uint16_t block, Ipv4 to, std::uint16_t port);

    const TftpLoaderConfig m_config;
    platform::UdpSocketFactory& m_sockets;
    std::unique_ptr<platform::UdpSocket> m_socket;
    std::unique_ptr<platform::UdpSocket> m_answerSocket;
    std::atomic<bool> m_armed;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    TftpWriteReceiver m_receiver;
    std::set<std::uint16_t> m_dropped;
    TftpLoaderCounts m_counts;
    // Used by the serving thread only.
    std::unique_ptr<platform::UdpSocket> m_spoofSocket;
    std::minstd_rand m_random{69};
    std::size_t m_acksDelayed = 0;
};

}  // namespace rlq::sim
