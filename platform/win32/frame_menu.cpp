#include "platform/win32/frame_menu.h"

#include <vector>

#include "platform/win32/wide_text.h"

namespace rlq::platform::win32 {

WORD VirtualKey(AcceleratorKey key) {
    switch (key) {
        case AcceleratorKey::N:
            return 'N';
        case AcceleratorKey::O:
            return 'O';
        case AcceleratorKey::S:
            return 'S';
        case AcceleratorKey::Z:
            return 'Z';
        case AcceleratorKey::X:
            return 'X';
        case AcceleratorKey::C:
            return 'C';
        case AcceleratorKey::V:
            return 'V';
        case AcceleratorKey::Backspace:
            return VK_BACK;
        case AcceleratorKey::Delete:
            return VK_DELETE;
        case AcceleratorKey::Insert:
            return VK_INSERT;
        case AcceleratorKey::F6:
            return VK_F6;
    }
    return 0;
}

HMENU BuildMenu(std::span<const MenuLayout> menu) {
    if (menu.empty()) {
        return nullptr;
    }
    HMENU bar = ::CreateMenu();
    for (const MenuLayout& popup : menu) {
        HMENU items = ::CreatePopupMenu();
        for (const MenuItem& item : popup.items) {
            ::AppendMenuW(items, MF_STRING, static_cast<UINT_PTR>(item.command),
                          Widen(item.text).c_str());
        }
        ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), Widen(popup.text).c_str());
    }
    return bar;
}

HACCEL BuildAccelerators(std::span<const Accelerator> accelerators) {
    if (accelerators.empty()) {
        return nullptr;
    }
    std::vector<ACCEL> table;
    for (const Accelerator& accelerator : accelerators) {
        BYTE flags = FVIRTKEY;
        if (accelerator.modifiers & kCtrl) {
            flags |= FCONTROL;
        }
        if (accelerator.modifiers & kShift) {
            flags |= FSHIFT;
        }
        if (accelerator.modifiers & kAlt) {
            flags |= FALT;
        }
        table.push_back(
            {flags, VirtualKey(accelerator.key), static_cast<WORD>(accelerator.command)});
    }
    return ::CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

}  // namespace rlq::platform::win32
