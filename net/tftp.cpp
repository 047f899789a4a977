#include "net/tftp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>

#include "common/big_endian.h"

namespace rlq {
namespace {

constexpr char kTransferMode[] = "netascii";
// Larger than an acknowledgement, so that a longer datagram is seen for what it is.
constexpr std::size_t kReceiveCapacity = 16;
// Block numbers do not wrap, so the block count (total / 512 + 2) must fit in 16 bits.
constexpr std::uint32_t kMaxUploadBytes = 65533u * kTftpBlockSize + (kTftpBlockSize - 1);
constexpr int kMaxRepeats = 10;
constexpr int kSendTries = 5;
constexpr auto kSendRetryPause = std::chrono::milliseconds(100);
constexpr int kAckPolls = 100;
constexpr auto kAckPollInterval = std::chrono::milliseconds(10);

}  // namespace

bool IsExpectedTftpAck(std::span<const std::uint8_t> bytes, std::size_t length, Ipv4 from,
                       Ipv4 server, std::uint16_t block) {
    return length == kTftpHeaderSize && bytes.size() >= kTftpHeaderSize &&
           ReadBe16(bytes.data()) == kTftpOpcodeAck && ReadBe16(bytes.data() + 2) == block &&
           from == server;
}

CTftp::CTftp(platform::UdpSocketFactory& sockets, platform::TempFiles& files)
    : m_sockets(sockets), m_files(files) {}

CTftp::~CTftp() {
    if (m_pThread.joinable()) {
        m_pThread.join();
    }
    CloseSocket();
    CloseSourceFile();
}

void CTftp::SetProgressCallback(TftpProgressFn progress, void* context) {
    m_pfnProgress = progress;
    m_pProgressContext = context;
}

void CTftp::StartUpload(Ipv4 address, std::string path, std::uint32_t total, std::int32_t* error) {
    if (m_bRunning.IsSet() || total > kMaxUploadBytes) {
        *error = 1;
        return;
    }
    // A finished earlier upload leaves its thread object behind; release it first.
    if (m_pThread.joinable()) {
        m_pThread.join();
    }
    m_dwServer = address;
    OpenSourceFile(path);
    if (!m_pFile) {
        *error = 1;
        return;
    }
    m_dwTotal = total;
    m_dwSent = 0;
    m_wBlock = 0;
    m_dwRepeats = 0;
    m_bRunning.Set();
    try {
        m_pThread = std::thread(&CTftp::TransferThread, this);
    } catch (const std::system_error&) {
        CloseSourceFile();
        m_bRunning.Clear();
        *error = 1;
        return;
    }
    *error = 0;
}

bool CTftp::IsRunning() const {
    return m_bRunning.IsSet();
}

bool CTftp::WaitWhileRunning(std::chrono::milliseconds bound) {
    return m_bRunning.WaitClear(bound);
}

CTftp::Step CTftp::OpenSocket() {
    platform::UdpOptions options;
    options.clearDontFragment = true;
    m_pSocket = m_sockets.Open(options);
    return m_pSocket ? Step::Done : Step::Failed;
}

void CTftp::CloseSocket() {
    m_pSocket.reset();
}

void CTftp::OpenSourceFile(const std::string& path) {
    CloseSourceFile();
    m_pFile = m_files.OpenForReading(path);
}

void CTftp::CloseSourceFile() {
    m_pFile.reset();
}

std::uint16_t CTftp::GetBlockCount() const {
    return static_cast<std::uint16_t>(m_dwTotal / kTftpBlockSize + 2);
}

CTftp::Step CTftp::BuildPacket(std::size_t* length) {
    if (m_wBlock == 0) {
        WriteBe16(m_packet, kTftpOpcodeWriteRequest);
        std::uint8_t* name = m_packet + 2;
        std::memcpy(name, kTftpFileName.data(), kTftpFileName.size());
        name[kTftpFileName.size()] = '\0';
        std::uint8_t* mode = name + kTftpFileName.size() + 1;
        std::memcpy(mode, kTransferMode, sizeof kTransferMode);
        *length = static_cast<std::size_t>(mode + sizeof kTransferMode - m_packet);
        return Step::Done;
    }
    WriteBe16(m_packet, kTftpOpcodeData);
    WriteBe16(m_packet + 2, m_wBlock);
    const std::uint32_t left = m_dwTotal > m_dwSent ? m_dwTotal - m_dwSent : 0;
    const std::uint32_t wanted = left < kTftpBlockSize ? left : std::uint32_t{kTftpBlockSize};
    const std::size_t got = std::fread(m_packet + kTftpHeaderSize, 1, wanted, m_pFile.get());
    if (got < wanted) {
        if (std::ferror(m_pFile.get()) != 0) {
            return Step::Failed;
        }
        m_dwTotal -= wanted - static_cast<std::uint32_t>(got);
    }
    *length = got + kTftpHeaderSize;
    return Step::Done;
}

CTftp::Step CTftp::SendPacket(std::size_t length) {
    const std::span<const std::uint8_t> packet(m_packet, length);
    for (int attempt = 0; attempt < kSendTries; ++attempt) {
        if (m_pSocket->SendTo(packet, m_dwServer, kTftpPort).sent == static_cast<long>(length)) {
            return Step::Done;
        }
        std::this_thread::sleep_for(kSendRetryPause);
    }
    return Step::Failed;
}

// Each poll reads what is waiting and then waits on the socket for the rest of its 10 ms slot, so
// an acknowledgement is taken as soon as it arrives while the whole wait stays about 1 s.
CTftp::Step CTftp::WaitAck() {
    using Clock = std::chrono::steady_clock;
    std::uint8_t buffer[kReceiveCapacity];
    auto slotEnd = Clock::now();
    for (int poll = 0; poll < kAckPolls; ++poll) {
        slotEnd += kAckPollInterval;
        for (;;) {
            const auto datagram = m_pSocket->ReceiveFrom(buffer);
            if (datagram && IsExpectedTftpAck(
                                std::span(buffer).first(std::min(datagram->length, sizeof buffer)),
                                datagram->length, datagram->from, m_dwServer, m_wBlock)) {
                return Step::Done;
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(slotEnd - Clock::now());
            if (left.count() <= 0 || !m_pSocket->WaitReadable(left)) {
                break;
            }
        }
    }
    return Step::Failed;
}

void CTftp::TransferThread() {
    int repeats = 0;
    std::size_t length = 0;
    if (OpenSocket() == Step::Done) {
        const std::uint16_t blockCount = GetBlockCount();
        while (m_wBlock < blockCount) {
            if (repeats == 0 && BuildPacket(&length) == Step::Failed) {
                break;
            }
            if (SendPacket(length) == Step::Failed) {
                break;
            }
            if (WaitAck() == Step::Done) {
                repeats = 0;
                if (m_wBlock > 0) {
                    m_dwSent += static_cast<std::uint32_t>(length - kTftpHeaderSize);
                    if (m_pfnProgress != nullptr && m_pProgressContext != nullptr) {
                        m_pfnProgress(m_pProgressContext, m_dwSent);
                    }
                }
                ++m_wBlock;
            } else if (++repeats > kMaxRepeats) {
                break;
            } else {
                ++m_dwRepeats;
            }
        }
    }
    CloseSocket();
    CloseSourceFile();
    m_bRunning.Clear();
}

}  // namespace rlq
