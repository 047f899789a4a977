#pragma once
// A window of the Qt backend: the controls of one layout table on a form widget, with the
// operations of platform::Window. The same class serves the main window's form and the modal
// dialogs; the toolkit owns the top-level widget around the form.

#include <QObject>
#include <QWidget>
#include <functional>
#include <map>

#include "platform/qt/dialog_metrics.h"
#include "platform/support/progress_model.h"
#include "platform/ui.h"

namespace rlq::platform::qt {

class QtWindow;

// The widget that holds the controls; tells its window about every paint it receives.
class FormWidget final : public QWidget {
  public:
    FormWidget(QtWindow& window, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QtWindow& m_window;
};

class QtWindow final : public QObject, public Window {
  public:
    // Builds the controls of `layout` on a new form widget inside `topLevel`.
    QtWindow(const DialogLayout& layout, WindowHandler& handler, QWidget& topLevel);
    ~QtWindow() override;

    void SetTitle(std::string_view title) override;
    std::string Title() const override;
    bool HasControl(int id) const override { return m_controls.count(id) != 0; }
    void SetControlText(int id, std::string_view text) override;
    std::string ControlText(int id) const override;
    void ShowControl(int id) override;
    void ShowWrappedText(int id, std::string_view text) override;
    void EnableControl(int id, bool enable) override;
    bool IsControlVisible(int id) const override;
    bool IsControlEnabled(int id) const override;
    void SetProgressRange(int id, std::uint32_t low, std::uint32_t high) override;
    void SetProgressPosition(int id, std::uint32_t position) override;
    void SetProgressStep(int id, std::uint32_t step) override;
    void StepProgress(int id) override;
    std::uint32_t ProgressPosition(int id) const override;
    void InvalidateControl(int id) override;
    void UpdateNow() override;
    void StartTimer(int timerId, std::chrono::milliseconds period) override;
    void KillTimer(int timerId) override;
    void Post(std::function<void()> task) override;
    void EndModal(int code) override;
    void PostCloseRequest() override;

    WindowHandler& Handler() { return m_handler; }
    FormWidget& Form() { return *m_form; }
    QWidget& TopLevel() { return m_topLevel; }
    // The widget of a control with an id; null when there is none.
    QWidget* Control(int id) const;
    const DialogBaseUnits& BaseUnits() const { return m_units; }
    // How the toolkit ends a modal dialog; unset for the main window.
    void SetEndModal(std::function<void(int)> endModal) { m_endModal = std::move(endModal); }
    void KillAllTimers();

    // From the form widget: a paint happened. The handler's OnPaint follows on this thread right
    // after it, outside the paint event, since the handler may run nested event loops.
    void FormPainted();

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    struct ControlState {
        ControlKind kind;
        QWidget* widget;
        int layoutWidth;  // pixels, from the layout table
        ProgressModel progress;
    };
    ControlState& Get(int id);
    const ControlState* Find(int id) const;
    void BuildControl(const ControlLayout& control);
    void ShowBarPosition(ControlState& bar);
    // The form's height below the lowest visible control.
    int BottomMargin() const;
    void DeliverPaint();
    // The handler's OnPaint, then the form's paint of what it changed.
    void Draw();

    WindowHandler& m_handler;
    QWidget& m_topLevel;
    FormWidget* m_form;  // owned by the top-level widget
    DialogBaseUnits m_units;
    std::map<int, ControlState> m_controls;
    std::map<int, int> m_timers;  // Qt's timer id → the window's timer id
    std::function<void(int)> m_endModal;
    bool m_needsPaint = false;
    bool m_paintPosted = false;
    bool m_paintingNow = false;  // Draw's own repaint, which is not a new paint to report
};

}  // namespace rlq::platform::qt
