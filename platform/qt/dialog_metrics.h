#pragma once
// Dialog units on the Qt backend. The layout tables are in the units of the Windows dialog
// manager, so they are converted the way it converts them: x × average character width / 4 and
// y × character height / 8, from the metrics of the dialog's font. The Windows fonts named in
// the tables are replaced by an installed Japanese font, sized at 96 dots per inch as Windows
// sizes them, so the pixel layout does not depend on the screen's reported resolution.

#include <QFont>
#include <QRect>
#include <string_view>

namespace rlq::platform::qt {

// The font families tried for the Windows dialog fonts, in order of preference.
inline constexpr const char* kDialogFontFamilies[] = {"IPAPGothic", "IPAGothic",
                                                      "Noto Sans CJK JP"};

struct DialogBaseUnits {
    int charWidth;   // the dialog font's average character width in pixels
    int charHeight;  // the dialog font's character height in pixels
};

// The stand-in for `faceName` at `points`; every Windows face maps to the same Japanese family.
QFont DialogFont(std::string_view faceName, int points);

// The family DialogFont picks from what is installed; empty when none of them is.
QString DialogFontFamily();

DialogBaseUnits BaseUnitsOf(const QFont& font);

QRect DialogRectToPixels(const DialogBaseUnits& units, int x, int y, int width, int height);

}  // namespace rlq::platform::qt
