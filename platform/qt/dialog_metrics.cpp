#include "platform/qt/dialog_metrics.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace rlq::platform::qt {
namespace {

constexpr int kWindowsDpi = 96;
constexpr int kPointsPerInch = 72;

// Windows' MulDiv for non-negative operands: the product divided, rounded to nearest.
int MulDiv(int value, int numerator, int denominator) {
    return static_cast<int>((static_cast<long long>(value) * numerator + denominator / 2) /
                            denominator);
}

}  // namespace

QString DialogFontFamily() {
    const QStringList installed = QFontDatabase::families();
    for (const char* family : kDialogFontFamilies) {
        if (installed.contains(QString::fromLatin1(family))) {
            return QString::fromLatin1(family);
        }
    }
    return {};
}

QFont DialogFont(std::string_view /*faceName*/, int points) {
    // "MS UI Gothic" and "MS Shell Dlg" (which Japanese Windows maps to it) are proportional
    // Japanese gothic faces; one proportional gothic family stands in for both.
    QFont font;
    QStringList families;
    for (const char* family : kDialogFontFamilies) {
        families << QString::fromLatin1(family);
    }
    font.setFamilies(families);
    font.setPixelSize(MulDiv(points, kWindowsDpi, kPointsPerInch));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    // The dialog manager's average width: the extent of the 52 Latin letters, /26 then halved
    // with rounding.
    const int extent = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogBaseUnits{(extent / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
}

QRect DialogRectToPixels(const DialogBaseUnits& units, int x, int y, int width, int height) {
    return QRect(MulDiv(x, units.charWidth, 4), MulDiv(y, units.charHeight, 8),
                 MulDiv(width, units.charWidth, 4), MulDiv(height, units.charHeight, 8));
}

}  // namespace rlq::platform::qt
