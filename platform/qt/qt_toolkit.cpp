#include "platform/qt/qt_toolkit.h"

#include <QApplication>
#include <QTimer>

#include "platform/qt/dialog_metrics.h"
#include "platform/qt/qt_top_levels.h"
#include "platform/qt/qt_window.h"

namespace rlq::platform::qt {
namespace {

constexpr char kMessageFontFace[] = "MS UI Gothic";  // the Japanese system's message font
constexpr int kMessageFontPoints = 9;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtToolkit::QtToolkit() {
    // Only the program's own close ends its loop; a closed last window must not stop the
    // loops of message boxes that may still follow.
    QApplication::setQuitOnLastWindowClosed(false);
    // Menus and message boxes in the Japanese stand-in font too, not a fallback without kana.
    QApplication::setFont(DialogFont(kMessageFontFace, kMessageFontPoints));
}

QtToolkit::~QtToolkit() = default;

Window& QtToolkit::CreateMainWindow(const MainWindowLayout& layout, WindowHandler& frame,
                                    WindowHandler& view) {
    m_main = std::make_unique<MainFrameWindow>(layout, frame, view, [this] { OnMainClosed(); });
    view.OnCreate(m_main->View());
    return m_main->View();
}

void QtToolkit::ShowMainWindow() {
    // The first paint of the form reaches the view's OnPaint right after it (see QtWindow).
    m_main->show();
}

Window* QtToolkit::MainWindow() {
    return m_main && !m_main->Closed() ? &m_main->View() : nullptr;
}

QWidget* QtToolkit::MainFrameWidget() {
    return m_main.get();
}

QtWindow* QtToolkit::MainWindowState() {
    return m_main ? &m_main->View() : nullptr;
}

int QtToolkit::RunModal(const DialogLayout& layout, WindowHandler& handler) {
    QWidget* owner = m_main && !m_main->Closed() ? m_main.get() : nullptr;
    ModalDialog dialog(layout, handler, owner);
    bool ended = false;
    int code = 0;
    dialog.Window().SetEndModal([&](int endCode) {
        ended = true;
        code = endCode;
        dialog.done(endCode);
    });
    handler.OnCreate(dialog.Window());
    if (!ended) {
        dialog.exec();  // QDialog centres itself on its owner when it opens
    }
    handler.OnDestroy();
    dialog.Window().KillAllTimers();
    return code;
}

void QtToolkit::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
    QString body = FromUtf8(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QWidget* owner = m_main && !m_main->Closed() ? m_main.get() : nullptr;
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    FromUtf8(caption), body, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    if (m_messageBoxAnswer) {
        QTimer::singleShot(0, &box, [this, &box] { m_messageBoxAnswer(box); });
    }
    box.exec();
}

void QtToolkit::PumpMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int QtToolkit::RunMessageLoop() {
    if (!m_main || m_main->Closed()) {
        return 0;
    }
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    return 0;
}

void QtToolkit::OnMainClosed() {
    if (m_loop) {
        m_loop->quit();
    }
}

void QtToolkit::SetMessageBoxAnswer(std::function<void(QMessageBox&)> answer) {
    m_messageBoxAnswer = std::move(answer);
}

}  // namespace rlq::platform::qt
