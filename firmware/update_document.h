#pragma once
// What the update view needs of the document, and what the document calls back on the view.

#include <cstdint>
#include <string>

namespace rlq {

class DocumentView {
  public:
    virtual ~DocumentView() = default;
    // The byte count of the slot in work has changed.
    virtual void RefreshProgress() = 0;
    // The document's state changed as a whole: repaint the view.
    virtual void UpdateAllViews() = 0;
};

class UpdateDocument {
  public:
    virtual ~UpdateDocument() = default;
    virtual void SetView(DocumentView* view) = 0;
    virtual std::string GetInfoText() const = 0;
    virtual std::uint32_t GetImageSize(int slot) const = 0;
    virtual std::uint16_t GetImageVersion(int slot) const = 0;
    virtual std::uint32_t GetPosition(int slot) const = 0;
    // result: 0 up to date, 1 failed (retry offered), 2 reset-and-TFTP failed (special mode too).
    virtual void UpdateFirmware(std::uint32_t address, int slot, std::uint16_t unitVersion,
                                std::int32_t specialMode, std::int32_t& result) = 0;
};

}  // namespace rlq
