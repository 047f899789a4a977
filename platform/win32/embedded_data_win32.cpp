// The program's data items are resources of its own module: found by type name and number, and
// mapped for the life of the process, so the view needs no copy.

#include <windows.h>

#include "platform/embedded_data.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

class ResourceDataItems final : public DataItemSource {
  public:
    std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                      std::uint16_t id) const override {
        // Resource type names compare without regard to letter case.
        const std::wstring typeName = win32::Widen(type);
        HMODULE module = ::GetModuleHandleW(nullptr);
        HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), typeName.c_str());
        if (found == nullptr) {
            return std::nullopt;
        }
        HGLOBAL loaded = ::LoadResource(module, found);
        const void* data = loaded ? ::LockResource(loaded) : nullptr;
        if (data == nullptr) {
            return std::nullopt;
        }
        return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data),
                                             ::SizeofResource(module, found));
    }
};

}  // namespace

const DataItemSource& ProgramDataItems() {
    static const ResourceDataItems items;
    return items;
}

}  // namespace rlq::platform
