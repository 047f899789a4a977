#pragma once
// Resource 128 of the main window: its menu and accelerator table, and the program icon's id.

#include <span>

#include "platform/ui.h"

namespace rlq::res {

std::span<const platform::MenuLayout> MainMenu();
std::span<const platform::Accelerator> MainAccelerators();
constexpr int kProgramIcon = 128;

}  // namespace rlq::res
