#pragma once
// The program icon (resource 128) from the PNGs built into the Qt backend.

#include <QIcon>
#include <QPixmap>

namespace rlq::platform::qt {

// Both sizes of icon `id`; a null icon for an id the program does not have.
QIcon ProgramIcon(int id);
// The 32-pixel image of icon `id`, as an icon control shows it.
QPixmap ProgramIconPixmap(int id);

}  // namespace rlq::platform::qt
