#pragma once
// The Qt 6 Widgets backend of the windowing layer. Needs a QApplication on this thread before it
// is constructed; every call comes on that thread.

#include <QEventLoop>
#include <QMessageBox>
#include <functional>
#include <memory>

#include "platform/ui.h"

namespace rlq::platform::qt {

class MainFrameWindow;
class QtWindow;

class QtToolkit final : public Toolkit {
  public:
    QtToolkit();
    ~QtToolkit() override;

    Window& CreateMainWindow(const MainWindowLayout& layout, WindowHandler& frame,
                             WindowHandler& view) override;
    void ShowMainWindow() override;
    Window* MainWindow() override;
    int RunModal(const DialogLayout& layout, WindowHandler& handler) override;
    void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
    void PumpMessages() override;
    int RunMessageLoop() override;

    // --- for tests ---
    // The main frame widget, also after it has closed; null before CreateMainWindow.
    QWidget* MainFrameWidget();
    // The main window's form, also after it has closed.
    QtWindow* MainWindowState();
    // Runs inside a message box's own loop once it is up; it may close the box.
    void SetMessageBoxAnswer(std::function<void(QMessageBox&)> answer);

  private:
    void OnMainClosed();

    std::unique_ptr<MainFrameWindow> m_main;
    QEventLoop* m_loop = nullptr;
    std::function<void(QMessageBox&)> m_messageBoxAnswer;
};

}  // namespace rlq::platform::qt
