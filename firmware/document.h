#pragma once
// The application's one document: the two embedded firmware images with their versions, payload
// sizes and transfer positions, and the transfer procedures that bring a unit up to date.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "firmware/slots.h"
#include "firmware/transfer_services.h"
#include "firmware/update_document.h"
#include "platform/embedded_data.h"
#include "platform/temp_file.h"

namespace rlq {

// The version of the image a slot carries (0 the main unit's, 1 the sub unit's), as the
// document reads it; the items must hold the images, as for the document.
std::uint16_t CarriedVersion(const platform::DataItemSource& items, int slot);

class CRLQUpdaterDoc final : public UpdateDocument {
  public:
    // The items must hold the images and the size text that image_items.h names; the build
    // guarantees it.
    CRLQUpdaterDoc(const platform::DataItemSource& items, TransferServices services);

    void SetView(DocumentView* view) override { m_pView = view; }
    std::string GetInfoText() const override { return m_strInfo; }
    std::uint32_t GetImageSize(int slot) const override { return m_images[slot].payloadSize; }
    std::uint16_t GetImageVersion(int slot) const override { return m_images[slot].version; }
    std::uint32_t GetPosition(int slot) const override {
        return m_images[slot].position.load(std::memory_order_acquire);
    }
    void UpdateFirmware(Ipv4 address, int slot, std::uint16_t unitVersion, std::int32_t specialMode,
                        UpdateResult& result) override;

    // The payload of a slot's image (after its 512-byte header).
    const std::uint8_t* Payload(int slot) const;

    // Removes the temporary files that runs which died left in the folders the sub unit's
    // transfer uses. Call once the single instance is held.
    void RemoveLeftoverTempFiles();

  private:
    struct ImageRecord {
        std::uint16_t version = 0;
        const std::uint8_t* image = nullptr;
        std::uint32_t payloadSize = 0;
        std::atomic<std::uint32_t> position{0};
    };

    void SetPosition(int slot, std::uint32_t position) {
        m_images[slot].position.store(position, std::memory_order_release);
    }
    void RefreshProgress();
    void UpdateAllViews();
    void ShowFailure(int textId, const std::string& text);

    void UploadByHttp(Ipv4 address, UpdateResult& result);
    void UploadByTftp(Ipv4 address, std::int32_t specialMode, UpdateResult& result);
    std::string ProgramFolder() const;
    std::unique_ptr<platform::TempFile> CreateTempFile(const std::string& folder);
    bool WriteTempImage(platform::TempFile& file);
    void ResetAndSend(Ipv4 address, std::int32_t specialMode, std::string fileName, bool& success);
    static void StoreTftpProgress(void* context, std::uint32_t count);

    TransferServices m_services;
    std::array<ImageRecord, kSlotCount> m_images;
    DocumentView* m_pView = nullptr;
    std::string m_strInfo;
};

}  // namespace rlq
