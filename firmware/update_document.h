#pragma once
// What the update view needs of the document, and what the document calls back on the view.

#include <cstdint>
#include <string>

#include "common/ipv4.h"

namespace rlq {

class DocumentView {
  public:
    virtual ~DocumentView() = default;
    // The byte count of the slot in work has changed.
    virtual void RefreshProgress() = 0;
    // The document's state changed as a whole: repaint the view.
    virtual void UpdateAllViews() = 0;
};

// How an update of one unit ended.
enum class UpdateResult : std::int32_t {
    Updated = 0,
    Failed = 1,           // the retry is offered
    ResetTftpFailed = 2,  // the reset into the loader or the TFTP transfer failed: the special
                          // mode is offered too
};

class UpdateDocument {
  public:
    virtual ~UpdateDocument() = default;
    virtual void SetView(DocumentView* view) = 0;
    virtual std::string GetInfoText() const = 0;
    virtual std::uint32_t GetImageSize(int slot) const = 0;
    virtual std::uint16_t GetImageVersion(int slot) const = 0;
    virtual std::uint32_t GetPosition(int slot) const = 0;
    virtual void UpdateFirmware(Ipv4 address, int slot, std::uint16_t unitVersion,
                                std::int32_t specialMode, UpdateResult& result) = 0;
};

}  // namespace rlq
