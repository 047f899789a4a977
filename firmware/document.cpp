#include "firmware/document.h"

#include "firmware/transfer_events.h"

#include "firmware/image_format.h"
#include "firmware/image_items.h"
#include "platform/ui.h"
#include "resources/message_catalogue.h"

namespace rlq {
namespace {

const std::uint8_t* FindImage(const platform::DataItemSource& items, int slot) {
    return items.Find(kImageItemType, kImageItem[slot])->data();
}

}  // namespace

std::uint16_t CarriedVersion(const platform::DataItemSource& items, int slot) {
    return ImageVersion(FindImage(items, slot));
}

CRLQUpdaterDoc::CRLQUpdaterDoc(const platform::DataItemSource& items, TransferServices services)
    : m_services(services) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        m_images[slot].image = FindImage(items, slot);
        m_images[slot].version = ImageVersion(m_images[slot].image);
    }
    m_images[kMainSlot].payloadSize = kMainPayloadSize;
    const std::uint32_t subImageSize =
        ParseSizeText(*items.Find(kSizeTextItemType, kSubImageSizeItem));
    m_images[kSubSlot].payloadSize =
        subImageSize >= image_header::kSize ? subImageSize - image_header::kSize : 0;
    m_strInfo = std::string(LoadMessage(msg::kModelName)) + "  Ver." +
                FormatVersion(m_images[kMainSlot].version) + "/" +
                FormatVersion(m_images[kSubSlot].version);
}

const std::uint8_t* CRLQUpdaterDoc::Payload(int slot) const {
    return m_images[slot].image + image_header::kSize;
}

void CRLQUpdaterDoc::RefreshProgress() {
    if (m_pView) {
        m_pView->RefreshProgress();
    }
}

void CRLQUpdaterDoc::UpdateAllViews() {
    if (m_pView) {
        m_pView->UpdateAllViews();
    }
}

void CRLQUpdaterDoc::ShowFailure(int textId, const std::string& text) {
    const std::string_view caption = LoadMessage(msg::kUpdateFailedCaption);
    m_services.events.Tell(&TransferObserver::MessageShown, textId, caption, text);
    m_services.ui.ShowMessage(text, caption, platform::MessageIcon::Exclamation);
}

void CRLQUpdaterDoc::UpdateFirmware(Ipv4 address, int slot, std::uint16_t unitVersion,
                                    std::int32_t specialMode, UpdateResult& result) {
    if (slot < 0 || slot >= kSlotCount) {
        result = UpdateResult::Failed;
        return;
    }
    if (unitVersion == m_images[slot].version) {
        SetPosition(slot, m_images[slot].payloadSize);
        RefreshProgress();
        result = UpdateResult::Updated;
        return;
    }
    if (slot == kMainSlot) {
        UploadByHttp(address, result);
    } else {
        UploadByTftp(address, specialMode, result);
    }
}

}  // namespace rlq
