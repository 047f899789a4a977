#pragma once
// In-memory extended dialog templates (DLGTEMPLATEEX) built from the layout tables, so that the
// dialog manager lays the controls out in dialog units of the layout's font.

#include <cstdint>
#include <vector>

#include "platform/ui.h"

namespace rlq::platform::win32 {

// WORD-sized units, each item starting on a DWORD boundary; pass data() as LPCDLGTEMPLATEW.
std::vector<std::uint16_t> BuildDialogTemplate(const DialogLayout& layout);

// The window style a control of the layout gets.
std::uint32_t ControlWindowStyle(const ControlLayout& control);

}  // namespace rlq::platform::win32
