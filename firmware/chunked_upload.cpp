// The main unit's update: its payload as 32 HTTP POSTs to "update", 20,480 bytes each behind a
// 6-byte chunk header.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/unit_network.h"
#include "firmware/chunk_message.h"
#include "firmware/document.h"
#include "firmware/image_format.h"
#include "firmware/transfer_busy.h"
#include "net/http.h"
#include "resources/message_catalogue.h"

namespace rlq {
namespace {

bool Accepted(std::uint32_t status, HttpError error, const char* errorText) {
    return (status == 200 || status == 204) && error == HttpError::None && errorText[0] == '\0';
}

std::string RefusalText(const char* errorText, std::uint32_t status) {
    const std::string_view sentence = LoadMessage(msg::kUpdateFailedText);
    std::string text(sentence.size() + std::strlen(errorText) + 32, '\0');
    const int length =
        std::snprintf(text.data(), text.size(), "%.*s%s\r\nStatus = %u",
                      static_cast<int>(sentence.size()), sentence.data(), errorText, status);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

void CRLQUpdaterDoc::UploadByHttp(Ipv4 address, UpdateResult& result) {
    CHttp http(m_services.http, m_services.netEvents);
    result = UpdateResult::Failed;
    SetTransferBusy(true);
    std::uint16_t counter = 0;
    SetPosition(kMainSlot, 0);
    std::vector<std::uint8_t> message(kChunkMessageSize);
    const std::uint32_t bodyLength = kChunkMessageSize;
    // The payload size is a whole number of chunks (kMainChunkCount), so no chunk reads past it.
    while (GetPosition(kMainSlot) < m_images[kMainSlot].payloadSize) {
        BuildChunkMessage(Payload(kMainSlot) + GetPosition(kMainSlot), counter, message.data());
        std::uint32_t status = 0;
        HttpError error = HttpError::None;
        http.Request(HttpMode::WithBody, address, kUpdatePath, message.data(), &bodyLength, &status,
                     &error);
        const char* errorText = http.GetErrorText();
        if (!Accepted(status, error, errorText)) {
            SetTransferBusy(false);
            ShowFailure(msg::kUpdateFailedText, RefusalText(errorText, status));
            UpdateAllViews();
            return;
        }
        // The bar shows the chunks accepted before this one; the final refresh shows them all.
        RefreshProgress();
        SetPosition(kMainSlot, GetPosition(kMainSlot) + kChunkDataSize);
        ++counter;
    }
    SetTransferBusy(false);
    RefreshProgress();
    UpdateAllViews();
    result = UpdateResult::Updated;
}

}  // namespace rlq
