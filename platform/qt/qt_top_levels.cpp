#include "platform/qt/qt_top_levels.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QShortcut>

#include "platform/qt/program_icon.h"

namespace rlq::platform::qt {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Qt::Key QtKey(AcceleratorKey key) {
    switch (key) {
        case AcceleratorKey::N:
            return Qt::Key_N;
        case AcceleratorKey::O:
            return Qt::Key_O;
        case AcceleratorKey::S:
            return Qt::Key_S;
        case AcceleratorKey::Z:
            return Qt::Key_Z;
        case AcceleratorKey::X:
            return Qt::Key_X;
        case AcceleratorKey::C:
            return Qt::Key_C;
        case AcceleratorKey::V:
            return Qt::Key_V;
        case AcceleratorKey::Backspace:
            return Qt::Key_Backspace;
        case AcceleratorKey::Delete:
            return Qt::Key_Delete;
        case AcceleratorKey::Insert:
            return Qt::Key_Insert;
        case AcceleratorKey::F6:
            return Qt::Key_F6;
    }
    return Qt::Key_unknown;
}

QKeySequence Sequence(const Accelerator& accelerator) {
    Qt::KeyboardModifiers modifiers;
    if (accelerator.modifiers & kCtrl) {
        modifiers |= Qt::ControlModifier;
    }
    if (accelerator.modifiers & kShift) {
        modifiers |= Qt::ShiftModifier;
    }
    if (accelerator.modifiers & kAlt) {
        modifiers |= Qt::AltModifier;
    }
    return QKeySequence(QKeyCombination(modifiers, QtKey(accelerator.key)));
}

bool IsEnter(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

}  // namespace

MainFrameWindow::MainFrameWindow(const MainWindowLayout& layout, WindowHandler& frame,
                                 WindowHandler& view, std::function<void()> onClosed)
    : QMainWindow(nullptr,
                  // Caption, system menu and minimise box only: no maximise box, no sizing.
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                      Qt::WindowCloseButtonHint),
      m_frame(frame),
      m_onClosed(std::move(onClosed)) {
    setWindowTitle(FromUtf8(layout.title));
    setWindowIcon(ProgramIcon(layout.iconId));
    m_view = std::make_unique<QtWindow>(layout.form, view, *this);
    setCentralWidget(&m_view->Form());
    BuildMenu(layout);
    BuildAccelerators(layout);
    // The frame is as big as the form and its menu, and stays so.
    setFixedSize(sizeHint());
}

MainFrameWindow::~MainFrameWindow() {
    // The form widget belongs to this window; the view's window object goes first.
    m_view.reset();
}

void MainFrameWindow::BuildMenu(const MainWindowLayout& layout) {
    for (const MenuLayout& menuLayout : layout.menu) {
        QMenu* menu = menuBar()->addMenu(FromUtf8(menuLayout.text));
        for (const MenuItem& item : menuLayout.items) {
            QAction* action = menu->addAction(FromUtf8(item.text));
            const int command = item.command;
            connect(action, &QAction::triggered, this,
                    [this, command] { m_frame.OnCommand(command); });
        }
    }
}

void MainFrameWindow::BuildAccelerators(const MainWindowLayout& layout) {
    for (const Accelerator& accelerator : layout.accelerators) {
        auto* shortcut = new QShortcut(Sequence(accelerator), this);
        shortcut->setContext(Qt::WindowShortcut);
        const int command = accelerator.command;
        connect(shortcut, &QShortcut::activated, this,
                [this, command] { m_frame.OnCommand(command); });
    }
}

void MainFrameWindow::closeEvent(QCloseEvent* event) {
    if (m_closed) {
        event->accept();
        return;
    }
    if (!m_frame.OnCloseRequest()) {
        event->ignore();
        return;
    }
    m_view->Handler().OnDestroy();
    m_view->KillAllTimers();
    m_closed = true;
    event->accept();
    m_onClosed();
}

ModalDialog::ModalDialog(const DialogLayout& layout, WindowHandler& handler, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_handler(handler),
      m_window(std::make_unique<QtWindow>(layout, handler, *this)) {
    if (owner) {
        setWindowIcon(owner->windowIcon());
    }
    setFixedSize(m_window->Form().size());
    // Enter reaches the dialog's OK whichever control has the focus.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

ModalDialog::~ModalDialog() {
    m_window.reset();
}

void ModalDialog::reject() {
    m_handler.OnCancel();
}

void ModalDialog::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(*event)) {
        m_handler.OnOk();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool ModalDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsEnter(*static_cast<QKeyEvent*>(event))) {
        m_handler.OnOk();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace rlq::platform::qt
