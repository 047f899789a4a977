#include "platform/qt/program_icon.h"

namespace rlq::platform::qt {
namespace {
constexpr int kProgramIconId = 128;
}  // namespace

QIcon ProgramIcon(int id) {
    QIcon icon;
    if (id == kProgramIconId) {
        icon.addFile(QStringLiteral(":/rlq/icon/rlq-16.png"), QSize(16, 16));
        icon.addFile(QStringLiteral(":/rlq/icon/rlq-32.png"), QSize(32, 32));
    }
    return icon;
}

QPixmap ProgramIconPixmap(int id) {
    return id == kProgramIconId ? QPixmap(QStringLiteral(":/rlq/icon/rlq-32.png")) : QPixmap();
}

}  // namespace rlq::platform::qt
