#pragma once
// The two kinds of top-level window of the Qt backend: the main frame (menu, accelerators, a
// fixed size, the close rule through the frame's handler) and the modal dialog (centred on its
// owner, Esc and the close box as cancel, Enter as OK).

#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "platform/qt/qt_window.h"
#include "platform/ui.h"

namespace rlq::platform::qt {

class MainFrameWindow final : public QMainWindow {
  public:
    // `onClosed` runs once the frame's handler has let a close through.
    MainFrameWindow(const MainWindowLayout& layout, WindowHandler& frame, WindowHandler& view,
                    std::function<void()> onClosed);
    ~MainFrameWindow() override;

    QtWindow& View() { return *m_view; }
    bool Closed() const { return m_closed; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenu(const MainWindowLayout& layout);
    void BuildAccelerators(const MainWindowLayout& layout);

    WindowHandler& m_frame;
    std::unique_ptr<QtWindow> m_view;
    std::function<void()> m_onClosed;
    bool m_closed = false;
};

class ModalDialog final : public QDialog {
  public:
    ModalDialog(const DialogLayout& layout, WindowHandler& handler, QWidget* owner);
    ~ModalDialog() override;

    QtWindow& Window() { return *m_window; }

    // Esc and the close box come here (QDialog routes both through reject).
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    WindowHandler& m_handler;
    std::unique_ptr<QtWindow> m_window;
};

}  // namespace rlq::platform::qt
