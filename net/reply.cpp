#include "net/reply.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "common/big_endian.h"

namespace rlq {
namespace {

constexpr int kCyclesPerPass = 20;
constexpr int kPollsPerCycle = 5;
constexpr std::int64_t kPassSeconds = 6;
constexpr std::chrono::milliseconds kRetryWait{100};
constexpr std::chrono::milliseconds kStopLook{100};

constexpr std::int32_t kRequestFlagsMask = SEARCH_BASE | SEARCH_CHILD | SEARCH_MAIN | SEARCH_SUB;
constexpr std::int32_t kVersionFilterMask = SEARCH_VER_LE | SEARCH_VER_GE;
// Kinds searched first through the temporary address, and kinds searched there after their
// own subnet.
constexpr std::int32_t kTempFirstKinds = SEARCH_CHILD | SEARCH_SUB;
constexpr std::int32_t kTempAfterKinds = SEARCH_BASE | SEARCH_MAIN;

std::uint8_t WantedUnit(std::int32_t maskedFlags) {
    switch (maskedFlags) {
        case SEARCH_BASE:
            return kWantedBase;
        case SEARCH_CHILD:
            return kWantedChild;
        case SEARCH_MAIN:
            return kWantedMain;
        case SEARCH_SUB:
            return kWantedSub;
        default:
            return kWantedAnyUnit;
    }
}

std::int32_t FlagForKind(std::uint32_t unitKind) {
    switch (unitKind) {
        case kUnitKindBase:
            return SEARCH_BASE;
        case kUnitKindChild:
            return SEARCH_CHILD;
        case kUnitKindMain:
            return SEARCH_MAIN;
        case kUnitKindSub:
            return SEARCH_SUB;
        default:
            return 0;
    }
}

}  // namespace

ReceivedReply JudgeReplyDatagram(std::int32_t flags, std::uint16_t threshold,
                                 std::span<const std::uint8_t> bytes, std::size_t length) {
    ReceivedReply reply;
    reply.length = length;
    if (std::min(length, bytes.size()) >= kDiscoveryReplyFieldsEnd) {
        reply.format = ReadBe16(&bytes[5]);
        reply.unitKind = bytes[7];
        reply.version = ReadBe16(&bytes[8]);
    }
    if (length != kDiscoveryDatagramSize || bytes.size() < kDiscoveryDatagramSize) {
        reply.verdict = ReplyVerdict::WrongLength;
    } else if (std::memcmp(bytes.data(), kDiscoveryMagic.data(), kDiscoveryMagic.size()) != 0) {
        reply.verdict = ReplyVerdict::NotAReply;
    } else if (reply.format > kDiscoveryFormatVersion) {
        reply.verdict = ReplyVerdict::NewerFormat;
    } else if (reply.unitKind < kUnitKindBase || reply.unitKind > kUnitKindSub) {
        reply.verdict = ReplyVerdict::UnknownKind;
    } else if ((flags & FlagForKind(reply.unitKind)) == 0) {
        reply.verdict = ReplyVerdict::KindNotWanted;
    } else if (((flags & kVersionFilterMask) == SEARCH_VER_LE && reply.version > threshold) ||
               ((flags & kVersionFilterMask) == SEARCH_VER_GE && reply.version < threshold)) {
        reply.verdict = ReplyVerdict::VersionFiltered;
    }
    return reply;
}

std::optional<ReplyFields> ParseReplyDatagram(std::span<const std::uint8_t> bytes,
                                              std::size_t length) {
    return AcceptReplyDatagram(kRequestFlagsMask, 0, bytes, length);
}

std::optional<ReplyFields> AcceptReplyDatagram(std::int32_t flags, std::uint16_t threshold,
                                               std::span<const std::uint8_t> bytes,
                                               std::size_t length) {
    const ReceivedReply reply = JudgeReplyDatagram(flags, threshold, bytes, length);
    if (reply.verdict != ReplyVerdict::Accepted) {
        return std::nullopt;
    }
    return ReplyFields{reply.unitKind, reply.version};
}

std::int64_t SteadyWholeSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CReply::CReply(platform::HostNetwork& host, platform::UdpSocketFactory& sockets,
               const NetListeners& events, WholeSecondsClock clock, PollClock pollClock)
    : m_host(host),
      m_sockets(sockets),
      m_events(events),
      m_clock(std::move(clock)),
      m_pollClock(std::move(pollClock)) {}

CReply::~CReply() {
    while (!m_bRunning.WaitClear(kStopLook)) {
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CReply::SetFindNotifier(std::function<void()> notifier) {
    m_notifyFind = std::move(notifier);
}

void CReply::SetEventNotifier(std::function<void()> notifier) {
    m_notifyEvents = std::move(notifier);
}

void CReply::SetEndNotifier(std::function<void()> notifier) {
    m_notifyEnd = std::move(notifier);
}

void CReply::DeliverEvents() {
    const std::size_t dropped = m_queue.Deliver();
    if (dropped > 0) {
        m_events.Tell(&NetObserver::DiscoveryEventsDropped, dropped);
    }
}

void CReply::Start(std::int32_t flags, std::uint16_t threshold, std::int32_t count,
                   const AdapterEntry* entries) {
    // The worker reads the request and flags without a lock, so nothing changes while it runs.
    if (m_bRunning.IsSet()) {
        return;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // an earlier search that has already cleared its running flag
    }
    BuildRequest(flags & kRequestFlagsMask);
    m_nAdapterCount = count;
    m_pAdapterEntries = entries;
    m_nFlags = flags;
    m_wThreshold = threshold;
    {
        std::lock_guard lock(m_resultLock);
        m_result = ReplyResult{};
        m_passes.clear();
    }
    m_bStopRequested.Clear();
    m_bRunning.Set();
    try {
        std::lock_guard lock(m_resultLock);  // the worker reads its id only once it is written
        m_thread = std::thread([this] {
            { std::lock_guard started(m_resultLock); }
            DiscoveryThread();
        });
        m_workerId = m_thread.get_id();
    } catch (const std::system_error&) {
        m_bRunning.Clear();
    }
}

void CReply::Stop() {
    m_bStopRequested.Set();
    while (!m_bRunning.WaitClear(kStopLook)) {
    }
    m_bStopRequested.Clear();
}

ReplyResult CReply::GetResult() const {
    std::lock_guard lock(m_resultLock);
    return m_result;
}

std::vector<PassRecord> CReply::Passes() const {
    std::lock_guard lock(m_resultLock);
    return m_passes;
}

void CReply::Keep(PassRecord record) {
    std::lock_guard lock(m_resultLock);
    m_passes.push_back(std::move(record));
}

void CReply::BuildRequest(std::int32_t maskedFlags) {
    std::memcpy(m_abyRequest.data(), kDiscoveryMagic.data(), kDiscoveryMagic.size());
    WriteBe16(&m_abyRequest[5], kDiscoveryFormatVersion);
    m_abyRequest[7] = WantedUnit(maskedFlags);
    m_abyRequest[8] = 0x01;
    m_abyRequest[9] = 0x00;
    std::memset(&m_abyRequest[10], 0xFF, 6);
}

void CReply::OpenSocket(const std::string& localAddress, std::int32_t& failed) {
    failed = 1;
    const std::optional<Ipv4> local = ParseIpv4(localAddress);
    if (m_nAdapterCount == 0 || m_pAdapterEntries == nullptr || !local) {
        CloseSocket();
        return;
    }
    platform::UdpOptions options;
    options.bindAddress = *local;
    options.bindPort = kDiscoveryReplyPort;
    options.broadcast = true;
    options.dontRoute = true;
    m_pSocket = m_sockets.Open(options);
    if (!m_pSocket) {
        return;
    }
    failed = 0;
}

void CReply::CloseSocket() {
    m_pSocket.reset();
}

ReceivedReply CReply::JudgeReceived(Ipv4 source, std::size_t length) const {
    ReceivedReply reply = JudgeReplyDatagram(m_nFlags, m_wThreshold, m_abyReceive, length);
    reply.source = source;
    return reply;
}

void CReply::PublishFind(const ReceivedReply& reply, Ipv4 localAddress,
                         std::uint32_t interfaceIndex, bool viaTempAddress) {
    {
        std::lock_guard lock(m_resultLock);
        m_result.unitKind = reply.unitKind;
        m_result.firmwareVersion = reply.version;
        m_result.deviceAddress = reply.source;
        m_result.interfaceIndex = interfaceIndex;
        m_result.viaTempAddress = viaTempAddress;
        m_result.localAddress = localAddress;
    }
    if (m_notifyFind) {
        m_notifyFind();
    }
}

void CReply::DiscoveryThread() {
    for (std::int32_t i = 0; i < m_nAdapterCount; ++i) {
        if (!SearchEntry(m_pAdapterEntries[i])) {
            break;
        }
    }
    CloseSocket();
    m_bRunning.Clear();
    // The destructor joins this thread, so the object outlives the call.
    if (m_notifyEnd) {
        m_notifyEnd();
    }
}

// Runs the passes for one adapter entry; false when the search is over (found or stopped).
bool CReply::SearchEntry(const AdapterEntry& entry) {
    const bool ownSubnetOnly = WithholdsTempAddress({entry.address, entry.mask});
    const bool firstViaTemp = (m_nFlags & kTempFirstKinds) != 0 && !ownSubnetOnly;
    PassOutcome outcome = RunPass(entry, firstViaTemp);
    if (outcome == PassOutcome::TempAddressRefused) {
        return true;
    }
    if (outcome == PassOutcome::Exhausted && (m_nFlags & kTempAfterKinds) != 0 && !ownSubnetOnly) {
        outcome = RunPass(entry, true);
    }
    return outcome == PassOutcome::Exhausted || outcome == PassOutcome::TempAddressRefused;
}

CReply::PassOutcome CReply::RunPass(const AdapterEntry& entry, bool viaTempAddress) {
    Ipv4 local = entry.address;
    Ipv4 mask = entry.mask;
    if (viaTempAddress) {
        std::int32_t failed = 1;
        AddTempAddress(entry.interfaceIndex, failed);
        if (failed != 0) {
            PassRecord refused;
            refused.pass = {kTempAddress, kTempAddress | ~kTempMask, entry.interfaceIndex, true};
            refused.tempAddressRefused = true;
            Keep(std::move(refused));
            return PassOutcome::TempAddressRefused;
        }
        local = kTempAddress;
        mask = kTempMask;
    }
    const PassOutcome outcome = RunCycles(local, mask, entry.interfaceIndex, viaTempAddress);
    CloseSocket();
    if (viaTempAddress) {
        DeleteTempAddress();
    }
    return outcome;
}

CReply::PassOutcome CReply::RunCycles(Ipv4 localAddress, Ipv4 mask, std::uint32_t interfaceIndex,
                                      bool viaTempAddress) {
    PassRecord record;
    record.pass = {localAddress, localAddress | ~mask, interfaceIndex, viaTempAddress};
    std::int32_t failed = 1;
    OpenSocket(FormatIpv4(localAddress), failed);
    if (failed != 0) {
        record.socketRefused = true;
        Keep(std::move(record));
        Report(&NetObserver::ReplySocketRefused, localAddress, interfaceIndex);
        return PassOutcome::Exhausted;
    }
    Report(&NetObserver::PassStarted, record.pass);
    const PassOutcome outcome = RunCycles(record);
    Report(&NetObserver::PassEnded, record.pass, record.sent, record.refused);
    Keep(std::move(record));
    return outcome;
}

CReply::PassOutcome CReply::RunCycles(PassRecord& record) {
    const DiscoveryPass& pass = record.pass;
    const std::int64_t started = m_clock();
    for (int cycle = 0; cycle < kCyclesPerPass; ++cycle) {
        if (m_bStopRequested.IsSet()) {
            return PassOutcome::Stopped;
        }
        const std::int64_t now = m_clock();
        if (now - started >= kPassSeconds) {
            break;  // a clock that went backwards gives a negative span: no time passed
        }
        platform::SendResult send =
            m_pSocket->SendTo(m_abyRequest, pass.destination, kDiscoveryRequestPort);
        if (send.sent != static_cast<long>(kDiscoveryDatagramSize)) {
            if (record.refused.count++ == 0) {
                record.refused.first = std::move(send.refusal);
            }
            m_bStopRequested.WaitSet(kRetryWait);
            continue;
        }
        ++record.sent;
        for (int poll = 0; poll < kPollsPerCycle; ++poll) {
            if (m_bStopRequested.IsSet()) {
                return PassOutcome::Stopped;
            }
            if (PollWindow(record)) {
                return PassOutcome::Found;
            }
        }
    }
    return PassOutcome::Exhausted;
}

// One poll and the wait after it: a window of kRetryWait that only an acceptable reply ends
// early. Rejected datagrams are read and counted as they come, so a device flooding the port
// cannot use up the cycles of a pass before the unit has had its time to answer.
bool CReply::PollWindow(PassRecord& record) {
    const auto windowEnd = m_pollClock() + kRetryWait;
    for (;;) {
        if (const auto datagram = m_pSocket->ReceiveFrom(m_abyReceive); datagram) {
            if (TakeDatagram(record, *datagram)) {
                return true;
            }
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(windowEnd - m_pollClock());
        if (left.count() <= 0 || !m_pSocket->WaitReadable(left)) {
            return false;
        }
    }
}

bool CReply::TakeDatagram(PassRecord& record, const platform::Datagram& datagram) {
    const DiscoveryPass& pass = record.pass;
    const ReceivedReply reply = JudgeReceived(datagram.from, datagram.length);
    ++record.received;
    record.rejected += reply.verdict != ReplyVerdict::Accepted ? 1 : 0;
    if (record.datagrams.size() < kKeptDatagrams) {
        record.datagrams.push_back(reply);
    }
    // The find is the owner's before any listener hears of it.
    if (reply.verdict == ReplyVerdict::Accepted) {
        PublishFind(reply, pass.localAddress, pass.interfaceIndex, pass.viaTempAddress);
    }
    Report(&NetObserver::ReplyReceived, reply);
    return reply.verdict == ReplyVerdict::Accepted;
}

}  // namespace rlq
