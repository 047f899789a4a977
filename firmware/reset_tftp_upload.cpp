// The sub unit's update: the transformed payload in a temporary file, the reset into the unit's
// loader over HTTP ("update_reset", left out in special mode), then the file by TFTP.

#include <chrono>

#include "common/unit_network.h"
#include "firmware/document.h"
#include "firmware/sub_image_transform.h"
#include "firmware/transfer_busy.h"
#include "net/http.h"
#include "net/tftp.h"
#include "platform/process.h"
#include "resources/message_catalogue.h"

namespace rlq {
namespace {

constexpr std::chrono::milliseconds kTftpPollInterval{100};

bool ResetAccepted(std::uint32_t status) {
    return status == 204 || status == 500;
}

// Removes the temporary file on every way out, and at once where the procedure says so.
class TempFileRemoval {
  public:
    TempFileRemoval(platform::TempFiles& files, std::string path)
        : m_files(files), m_path(std::move(path)) {}
    ~TempFileRemoval() { RemoveNow(); }
    TempFileRemoval(const TempFileRemoval&) = delete;
    TempFileRemoval& operator=(const TempFileRemoval&) = delete;
    void RemoveNow() {
        if (!m_path.empty()) {
            m_files.Remove(m_path);
            m_path.clear();
        }
    }

  private:
    platform::TempFiles& m_files;
    std::string m_path;
};

}  // namespace

std::string CRLQUpdaterDoc::ProgramFolder() const {
    const auto path = m_services.process.ProgramPath();
    if (!path) {
        return {};
    }
    const auto separator = path->rfind(m_services.process.PathSeparator());
    if (separator == std::string::npos) {
        return {};
    }
    // The root folder keeps its separator, so "/rlq" gives "/".
    return path->substr(0, separator == 0 ? 1 : separator);
}

void CRLQUpdaterDoc::RemoveLeftoverTempFiles() {
    const std::string folder = ProgramFolder();
    if (!folder.empty()) {
        m_services.tempFiles.RemoveLeftovers(folder);
    }
    m_services.tempFiles.RemoveLeftovers(m_services.tempFiles.SystemTempFolder());
}

std::unique_ptr<platform::TempFile> CRLQUpdaterDoc::CreateTempFile(const std::string& folder) {
    auto file = m_services.tempFiles.CreateIn(folder);
    if (!file) {
        // The program's folder may be read-only (an installed program): use the system's.
        file = m_services.tempFiles.CreateIn(m_services.tempFiles.SystemTempFolder());
    }
    return file;
}

bool CRLQUpdaterDoc::WriteTempImage(platform::TempFile& file) {
    SubImageTransform transform;
    const std::uint8_t* payload = Payload(kSubSlot);
    for (std::uint32_t i = 0; i < m_images[kSubSlot].payloadSize; ++i) {
        if (!file.Put(transform.Next(payload[i]))) {
            return false;
        }
    }
    return true;
}

void CRLQUpdaterDoc::UploadByTftp(Ipv4 address, std::int32_t specialMode, UpdateResult& result) {
    result = UpdateResult::Failed;
    SetPosition(kSubSlot, 0);
    const std::string folder = ProgramFolder();
    if (folder.empty()) {
        return;
    }
    m_services.process.SetCurrentDirectory(folder);
    SetTransferBusy(true);
    bool success = false;
    std::string fileName;
    if (auto file = CreateTempFile(folder)) {
        fileName = file->Path();
        success = WriteTempImage(*file);
        // A failure that shows only when the buffered bytes go out at the close counts too.
        success = file->Close() && success;
    }
    TempFileRemoval removal(m_services.tempFiles, fileName);
    if (!success) {
        SetTransferBusy(false);
        removal.RemoveNow();
        ShowFailure(msg::kTempFileFailed, std::string(LoadMessage(msg::kTempFileFailed)));
        UpdateAllViews();
        return;
    }
    ResetAndSend(address, specialMode, fileName, success);
    if (!success) {
        SetTransferBusy(false);
        removal.RemoveNow();
        ShowFailure(msg::kResetAndTftpFailed, std::string(LoadMessage(msg::kResetAndTftpFailed)));
        UpdateAllViews();
        result = UpdateResult::ResetTftpFailed;
        return;
    }
    removal.RemoveNow();
    SetTransferBusy(false);
    SetPosition(kSubSlot, m_images[kSubSlot].payloadSize);
    RefreshProgress();
    UpdateAllViews();
    result = UpdateResult::Updated;
}

void CRLQUpdaterDoc::ResetAndSend(Ipv4 address, std::int32_t specialMode, std::string fileName,
                                  bool& success) {
    success = true;
    CTftp tftp(m_services.udp, m_services.tempFiles);
    tftp.SetProgressCallback(&CRLQUpdaterDoc::StoreTftpProgress, this);
    if (specialMode == 0) {
        CHttp http(m_services.http, m_services.netEvents);
        const std::uint32_t noBody = 0;
        std::uint32_t status = 0;
        HttpError error = HttpError::None;
        http.Request(HttpMode::WithoutBody, address, kResetPath, nullptr, &noBody, &status, &error);
        if (!ResetAccepted(status)) {
            success = false;
            return;
        }
    }
    std::int32_t startError = 0;
    tftp.StartUpload(address, std::move(fileName), m_images[kSubSlot].payloadSize, &startError);
    if (startError != 0) {
        success = false;
        return;
    }
    const auto started = std::chrono::steady_clock::now();
    while (tftp.IsRunning()) {
        // Wakes at the end of the transfer, or after the poll interval to move the bar.
        tftp.WaitWhileRunning(kTftpPollInterval);
        RefreshProgress();
    }
    m_services.events.Tell(&TransferObserver::TftpEnded, tftp.BlocksAcknowledged(),
                           tftp.Retransmissions(), tftp.BytesAcknowledged(),
                           std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - started));
    if (GetPosition(kSubSlot) != m_images[kSubSlot].payloadSize) {
        success = false;
    }
}

void CRLQUpdaterDoc::StoreTftpProgress(void* context, std::uint32_t count) {
    static_cast<CRLQUpdaterDoc*>(context)->SetPosition(kSubSlot, count);
}

}  // namespace rlq
