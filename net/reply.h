#pragma once
// The reply listener: finds one unit of a wanted kind by the "REPLY" broadcast handshake on
// each adapter's subnet and, where the kind calls for it, on 10.0.0.0/8 from the temporary
// address 10.10.1.1. The search runs on a worker thread of its own, which queues what it reports:
// the owner hands it to the listeners from its own thread (DeliverEvents).

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "common/event_queue.h"
#include "common/temp_address.h"
#include "common/unit_network.h"
#include "common/waitable_flag.h"
#include "net/adapter_list.h"
#include "net/net_events.h"
#include "net/temp_address_control.h"
#include "platform/host_network.h"
#include "platform/udp_socket.h"

namespace rlq {

inline constexpr std::int32_t SEARCH_BASE = 0x01;
inline constexpr std::int32_t SEARCH_CHILD = 0x02;
inline constexpr std::int32_t SEARCH_VER_LE = 0x04;
inline constexpr std::int32_t SEARCH_VER_GE = 0x08;
inline constexpr std::int32_t SEARCH_MAIN = 0x20;
inline constexpr std::int32_t SEARCH_SUB = 0x40;

struct ReplyResult {
    Ipv4 deviceAddress;
    std::uint32_t unitKind = kUnitKindBase;
    std::uint16_t firmwareVersion = 0;
    Ipv4 localAddress;  // 0.0.0.0 while nothing has been found
    std::uint32_t interfaceIndex = 0;
    bool viaTempAddress = false;
};

// What one discovery pass did, for the diagnosis of a search that found nothing.
struct PassRecord {
    DiscoveryPass pass;
    bool tempAddressRefused = false;       // the temporary address could not be added: no pass ran
    bool socketRefused = false;            // the reply port could not be opened: no pass ran
    int sent = 0;                          // requests that went out
    RefusedSends refused;                  // requests the system did not send
    int received = 0;                      // datagrams received
    int rejected = 0;                      // of those, the ones not taken
    std::vector<ReceivedReply> datagrams;  // the first kKeptDatagrams of them, with their verdicts
};
inline constexpr std::size_t kKeptDatagrams = 64;

// What a discovery reply tells about the unit that sent it.
struct ReplyFields {
    std::uint32_t unitKind = kUnitKindBase;
    std::uint16_t firmwareVersion = 0;
};

// What a search with `flags` and `threshold` makes of a received datagram, and why.
ReceivedReply JudgeReplyDatagram(std::int32_t flags, std::uint16_t threshold,
                                 std::span<const std::uint8_t> bytes, std::size_t length);

// A received discovery datagram: `bytes` is the part that was read, `length` its true length,
// which shows a datagram longer than the buffer. Only one of exactly 16 bytes with the reply
// header, a known format version and a known unit kind is a reply.
std::optional<ReplyFields> ParseReplyDatagram(std::span<const std::uint8_t> bytes,
                                              std::size_t length);

// A reply that a search with `flags` and `threshold` takes: the kind must be wanted and the
// version must pass the version filter.
std::optional<ReplyFields> AcceptReplyDatagram(std::int32_t flags, std::uint16_t threshold,
                                               std::span<const std::uint8_t> bytes,
                                               std::size_t length);

// Whole seconds of a clock that the search measures its passes with.
using WholeSecondsClock = std::function<std::int64_t()>;
std::int64_t SteadyWholeSeconds();
// The clock the 100 ms poll windows are measured on: the one the socket's waits pass on.
using PollClock = std::function<std::chrono::steady_clock::time_point()>;

class CReply : public TempAddressControl {
  public:
    CReply(platform::HostNetwork& host, platform::UdpSocketFactory& sockets,
           const NetListeners& events = NoListeners<NetObserver>(),
           WholeSecondsClock clock = SteadyWholeSeconds,
           PollClock pollClock = std::chrono::steady_clock::now);
    // Waits until a running search has ended by itself.
    ~CReply() override;
    CReply(const CReply&) = delete;
    CReply& operator=(const CReply&) = delete;

    // `entries` must stay valid until the search has ended. Ignored while a search runs.
    void Start(std::int32_t flags, std::uint16_t threshold, std::int32_t count,
               const AdapterEntry* entries);
    // Asks the search to end and returns when it has.
    void Stop();
    ReplyResult GetResult() const;
    // The passes of the last search, in order, once it has ended.
    std::vector<PassRecord> Passes() const;
    // Called on the worker thread right after a find has been published. Set before Start.
    void SetFindNotifier(std::function<void()> notifier);
    // Called on the worker thread when it queues an event into an empty queue. Set before Start.
    void SetEventNotifier(std::function<void()> notifier);
    // Called on the worker thread as its last act, once Passes holds every pass of the search.
    // Set before Start.
    void SetEndNotifier(std::function<void()> notifier);
    // On the owner's thread: tells the listeners what the worker has queued, with the count of
    // what the full queue lost.
    void DeliverEvents();

    void AddTempAddress(std::uint32_t interfaceIndex, std::int32_t& failed) override;
    void DeleteTempAddress() override;
    // failed = 0 when the routes changed or no wait applies, 1 when refused or timed out.
    void WaitRouteChange(std::int32_t& failed);

  private:
    enum class PassOutcome { Exhausted, Found, Stopped, TempAddressRefused };

    void DiscoveryThread();
    bool SearchEntry(const AdapterEntry& entry);
    PassOutcome RunPass(const AdapterEntry& entry, bool viaTempAddress);
    PassOutcome RunCycles(Ipv4 localAddress, Ipv4 mask, std::uint32_t interfaceIndex,
                          bool viaTempAddress);
    // The pass's send-and-listen cycles, noted in `record`.
    PassOutcome RunCycles(PassRecord& record);
    // True when an acceptable reply was taken.
    bool PollWindow(PassRecord& record);
    bool TakeDatagram(PassRecord& record, const platform::Datagram& datagram);
    void Keep(PassRecord record);
    void BuildRequest(std::int32_t maskedFlags);
    void OpenSocket(const std::string& localAddress, std::int32_t& failed);
    void CloseSocket();
    // What the search makes of the received datagram of `length` bytes.
    ReceivedReply JudgeReceived(Ipv4 source, std::size_t length) const;
    void PublishFind(const ReceivedReply& reply, Ipv4 localAddress, std::uint32_t interfaceIndex,
                     bool viaTempAddress);
    // Tells an event: queued on the worker, at once on any other thread.
    template <class... Params, class... Args>
    void Report(void (NetObserver::*event)(Params...), const Args&... args) {
        if (std::this_thread::get_id() != m_workerId) {
            m_events.Tell(event, args...);
        } else if (m_queue.Push(m_events, event, args...) && m_notifyEvents) {
            m_notifyEvents();
        }
    }

    platform::HostNetwork& m_host;
    platform::UdpSocketFactory& m_sockets;
    const NetListeners& m_events;
    EventQueue m_queue;
    std::thread::id m_workerId;  // written before the worker starts, read by it and its owner
    WholeSecondsClock m_clock;
    PollClock m_pollClock;
    std::function<void()> m_notifyFind;
    std::function<void()> m_notifyEvents;
    std::function<void()> m_notifyEnd;

    std::array<std::uint8_t, kDiscoveryDatagramSize> m_abyReceive{};
    std::array<std::uint8_t, kDiscoveryDatagramSize> m_abyRequest{};
    std::unique_ptr<platform::UdpSocket> m_pSocket;
    WaitableFlag m_bRunning;
    WaitableFlag m_bStopRequested;  // a worker's pause ends as soon as a stop is requested
    std::thread m_thread;
    std::int32_t m_nFlags = 0;
    std::uint16_t m_wThreshold = 0;
    mutable std::mutex m_resultLock;  // the result is written by the worker, read by the owner
    ReplyResult m_result;
    std::vector<PassRecord> m_passes;
    std::int32_t m_nAdapterCount = 0;
    const AdapterEntry* m_pAdapterEntries = nullptr;
    std::unique_ptr<platform::AddressLease> m_tempAddress;     // the temporary-address context
    std::unique_ptr<platform::RouteChangeWatch> m_routeWatch;  // opened before an address change
};

}  // namespace rlq
