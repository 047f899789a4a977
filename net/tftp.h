#pragma once
// TFTP write client for a unit's loader: lock-step 512-byte blocks to UDP port 69, one worker
// thread per upload, progress reported as the count of acknowledged payload bytes.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>

#include "common/ipv4.h"
#include "common/unit_network.h"
#include "common/waitable_flag.h"
#include "platform/temp_file.h"
#include "platform/udp_socket.h"

namespace rlq {

// A received datagram (`bytes` the part that was read, `length` its true length) is the
// acknowledgement of `block` only when it is exactly 4 bytes of opcode 4 and that block number
// from the server's address; the source port does not matter.
bool IsExpectedTftpAck(std::span<const std::uint8_t> bytes, std::size_t length, Ipv4 from,
                       Ipv4 server, std::uint16_t block);

// Called on the transfer's worker thread with the payload bytes acknowledged so far.
using TftpProgressFn = void (*)(void* context, std::uint32_t count);

class CTftp {
  public:
    // The file to send is opened through `files`, which wrote it.
    CTftp(platform::UdpSocketFactory& sockets, platform::TempFiles& files);
    // Waits for a started worker to end; never stops it.
    ~CTftp();
    CTftp(const CTftp&) = delete;
    CTftp& operator=(const CTftp&) = delete;

    // Called only when both the function and the context are non-null.
    void SetProgressCallback(TftpProgressFn progress, void* context);

    // Error 0: the file is open and the worker runs. Error 1: an upload is already running, the
    // file cannot be opened, the total exceeds what 16-bit block numbers can carry, or the worker
    // cannot be started; nothing was sent.
    void StartUpload(Ipv4 address, std::string path, std::uint32_t total, std::int32_t* error);

    bool IsRunning() const;

    // Returns as soon as the upload has ended, or after `bound`; true when it is not running.
    bool WaitWhileRunning(std::chrono::milliseconds bound);

    // What the last upload did; read once it is no longer running.
    // Data blocks the loader acknowledged; the answer to the write request (block 0) is none.
    std::uint16_t BlocksAcknowledged() const {
        return static_cast<std::uint16_t>(m_wBlock > 0 ? m_wBlock - 1 : 0);
    }
    std::uint32_t Retransmissions() const { return m_dwRepeats; }
    std::uint32_t BytesAcknowledged() const { return m_dwSent; }

  private:
    static constexpr std::size_t kPacketCapacity = kTftpHeaderSize + kTftpBlockSize;

    // A transfer step's error: 0 done, 1 failed.
    enum class Step : std::int32_t { Done = 0, Failed = 1 };

    Step OpenSocket();
    void CloseSocket();
    void OpenSourceFile(const std::string& path);
    void CloseSourceFile();
    std::uint16_t GetBlockCount() const;
    // Failed when the file cannot be read.
    Step BuildPacket(std::size_t* length);
    Step SendPacket(std::size_t length);
    Step WaitAck();
    void TransferThread();

    platform::UdpSocketFactory& m_sockets;
    platform::TempFiles& m_files;
    Ipv4 m_dwServer;
    platform::ReadOnlyFile m_pFile;
    std::uint32_t m_dwTotal = 0;
    std::uint32_t m_dwSent = 0;
    std::uint16_t m_wBlock = 0;
    std::uint32_t m_dwRepeats = 0;
    void* m_pProgressContext = nullptr;
    TftpProgressFn m_pfnProgress = nullptr;
    std::unique_ptr<platform::UdpSocket> m_pSocket;
    WaitableFlag m_bRunning;
    std::thread m_pThread;
    std::uint8_t m_packet[kPacketCapacity] = {};
};

}  // namespace rlq
