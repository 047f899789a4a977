#pragma once
// The main window's menu and accelerator table, made from their layout tables.

#include <windows.h>

#include <span>

#include "platform/ui.h"

namespace rlq::platform::win32 {

HMENU BuildMenu(std::span<const MenuLayout> menu);
HACCEL BuildAccelerators(std::span<const Accelerator> accelerators);
// The virtual-key code of an accelerator key.
WORD VirtualKey(AcceleratorKey key);

}  // namespace rlq::platform::win32
