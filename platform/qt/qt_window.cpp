#include "platform/qt/qt_window.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <algorithm>
#include <climits>
#include <stdexcept>

#include "platform/qt/program_icon.h"

namespace rlq::platform::qt {
namespace {

// A segmented bar is drawn as blocks, as the classic progress control draws it.
constexpr char kSegmentedBarStyle[] =
    "QProgressBar { border: 1px solid palette(mid); background: palette(base); }"
    "QProgressBar::chunk { background: palette(highlight); width: 6px; margin: 1px; }";

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// The native group box: an etched frame whose top line runs through the middle of the title,
// which sits a few pixels in from the left and interrupts the line. Qt's own styles draw the
// title above the frame, or no line at all.
QString GroupBoxStyle(const QFont& font) {
    const int titleMiddle = QFontMetrics(font).height() / 2;
    return QStringLiteral(
               "QGroupBox { border: 2px groove palette(mid); margin-top: %1px; }"
               "QGroupBox::title { subcontrol-origin: margin; left: 6px; "
               "padding: 0px 1px; }")
        .arg(titleMiddle);
}

// Our own texts carry no mnemonics on controls; a literal "&" must show as such on a button.
QString ButtonText(std::string_view text) {
    return FromUtf8(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// A one-line static text is as wide as its layout says, or as its text when that is wider: the
// stand-in font's Latin letters run wider than the Windows face's, and a label such as "Main"
// must not lose its last letter. Taller texts wrap within their width, as on Windows.
void FitStaticText(QLabel& label, int layoutWidth) {
    const QFontMetrics metrics(label.font());
    const bool oneLine = label.height() < 2 * metrics.height();
    label.setWordWrap(!oneLine);
    if (oneLine) {
        label.resize(std::max(layoutWidth, metrics.horizontalAdvance(label.text())),
                     label.height());
    }
}

}  // namespace

FormWidget::FormWidget(QtWindow& window, QWidget* parent) : QWidget(parent), m_window(window) {}

void FormWidget::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    m_window.FormPainted();
}

QtWindow::QtWindow(const DialogLayout& layout, WindowHandler& handler, QWidget& topLevel)
    : m_handler(handler),
      m_topLevel(topLevel),
      m_form(new FormWidget(*this, &topLevel)),
      m_units(BaseUnitsOf(DialogFont(layout.fontName, layout.fontPoints))) {
    m_form->setFont(DialogFont(layout.fontName, layout.fontPoints));
    const QRect size = DialogRectToPixels(m_units, 0, 0, layout.width, layout.height);
    m_form->setFixedSize(size.size());
    if (layout.kind == DialogKind::ModalPopup) {
        m_topLevel.setWindowTitle(FromUtf8(layout.title));
    }
    for (const ControlLayout& control : layout.controls) {
        BuildControl(control);
    }
}

QtWindow::~QtWindow() {
    KillAllTimers();
}

void QtWindow::BuildControl(const ControlLayout& layout) {
    QWidget* widget = nullptr;
    const bool tabStop = (layout.style & kTabStop) != 0;
    switch (layout.kind) {
        case ControlKind::GroupBox: {
            auto* group = new QGroupBox(FromUtf8(layout.text), m_form);
            group->setStyleSheet(GroupBoxStyle(m_form->font()));
            widget = group;
            break;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(FromUtf8(layout.text), m_form);
            edit->setReadOnly((layout.style & kReadOnly) != 0);
            edit->setFrame((layout.style & kNoBorder) == 0);
            // A read-only edit without border shows the dialog's face, as on Windows.
            edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
            edit->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
            widget = edit;
            break;
        }
        case ControlKind::StaticText: {
            auto* label = new QLabel(FromUtf8(layout.text), m_form);
            label->setTextFormat(Qt::PlainText);  // also: no prefix processing of "&"
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = label;
            break;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(m_form);
            bar->setTextVisible(false);
            if ((layout.style & kSegmented) != 0) {
                bar->setStyleSheet(QString::fromLatin1(kSegmentedBarStyle));
            }
            widget = bar;
            break;
        }
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(ButtonText(layout.text), m_form);
            // Enter goes to the dialog (OnOk), not to the button that has the focus.
            button->setAutoDefault(false);
            button->setDefault(layout.kind == ControlKind::DefaultPushButton);
            button->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
            const int id = layout.id;
            QObject::connect(button, &QPushButton::clicked, this,
                             [this, id] { m_handler.OnCommand(id); });
            widget = button;
            break;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(m_form);
            const QPixmap pixmap = ProgramIconPixmap(FromUtf8(layout.text).toInt());
            label->setPixmap(pixmap);
            // Like the native icon control, which takes the icon's own size.
            label->setFixedSize(pixmap.size());
            widget = label;
            break;
        }
    }
    const QRect rect = DialogRectToPixels(m_units, layout.x, layout.y, layout.width, layout.height);
    if (layout.kind == ControlKind::Icon) {
        widget->move(rect.topLeft());
    } else {
        widget->setGeometry(rect);
    }
    if (layout.kind == ControlKind::StaticText) {
        FitStaticText(*static_cast<QLabel*>(widget), rect.width());
    }
    if (layout.kind != ControlKind::PushButton && layout.kind != ControlKind::DefaultPushButton &&
        layout.kind != ControlKind::Edit) {
        widget->setFocusPolicy(Qt::NoFocus);
    }
    widget->setVisible((layout.style & kVisible) != 0);
    if (layout.id != kUnnamedControl) {
        widget->setObjectName(QString::number(layout.id));
        m_controls[layout.id] = ControlState{layout.kind, widget, rect.width(), {}};
        if (layout.kind == ControlKind::ProgressBar) {
            ShowBarPosition(m_controls[layout.id]);
        }
    }
}

QtWindow::ControlState& QtWindow::Get(int id) {
    auto found = m_controls.find(id);
    if (found == m_controls.end()) {
        // A wrong id is a programming fault in a layout table or its user; fail loudly.
        throw std::logic_error("no control " + std::to_string(id));
    }
    return found->second;
}

const QtWindow::ControlState* QtWindow::Find(int id) const {
    auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : &found->second;
}

QWidget* QtWindow::Control(int id) const {
    const ControlState* control = Find(id);
    return control ? control->widget : nullptr;
}

void QtWindow::SetTitle(std::string_view title) {
    m_topLevel.setWindowTitle(FromUtf8(title));
}

std::string QtWindow::Title() const {
    return ToUtf8(m_topLevel.windowTitle());
}

void QtWindow::SetControlText(int id, std::string_view text) {
    ControlState& control = Get(id);
    // Unchanged text is not set again: a new text repaints the control and the form beneath it,
    // and the view sets its texts on every draw.
    if (ControlText(id) == text) {
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(control.widget)) {
        label->setText(FromUtf8(text));
        FitStaticText(*label, control.layoutWidth);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control.widget)) {
        edit->setText(FromUtf8(text));
        edit->setCursorPosition(0);
    } else if (auto* button = qobject_cast<QPushButton*>(control.widget)) {
        button->setText(ButtonText(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(control.widget)) {
        group->setTitle(FromUtf8(text));
    }
}

std::string QtWindow::ControlText(int id) const {
    const ControlState* control = Find(id);
    if (!control) {
        return {};
    }
    if (auto* label = qobject_cast<QLabel*>(control->widget)) {
        return ToUtf8(label->text());
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control->widget)) {
        return ToUtf8(edit->text());
    }
    if (auto* button = qobject_cast<QPushButton*>(control->widget)) {
        return ToUtf8(button->text().replace(QStringLiteral("&&"), QStringLiteral("&")));
    }
    if (auto* group = qobject_cast<QGroupBox*>(control->widget)) {
        return ToUtf8(group->title());
    }
    return {};
}

void QtWindow::ShowControl(int id) {
    Get(id).widget->show();
}

int QtWindow::BottomMargin() const {
    int lowest = 0;
    for (const QWidget* child : m_form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden()) {
            lowest = std::max(lowest, child->geometry().bottom() + 1);
        }
    }
    return m_form->height() - lowest;
}

void QtWindow::ShowWrappedText(int id, std::string_view text) {
    auto* label = qobject_cast<QLabel*>(Get(id).widget);
    if (!label) {
        throw std::logic_error("no static text " + std::to_string(id));
    }
    const int margin = BottomMargin();
    label->setWordWrap(true);
    label->setText(FromUtf8(text));
    label->resize(label->width(), label->heightForWidth(label->width()));
    label->show();
    const int grow = label->geometry().bottom() + 1 + margin - m_form->height();
    if (grow > 0) {
        m_form->setFixedSize(m_form->width(), m_form->height() + grow);
        m_topLevel.setFixedSize(m_topLevel.width(), m_topLevel.height() + grow);
    }
}

void QtWindow::EnableControl(int id, bool enable) {
    Get(id).widget->setEnabled(enable);
}

bool QtWindow::IsControlVisible(int id) const {
    const ControlState* control = Find(id);
    // The control's own visible style, whether or not its window is on the screen yet.
    return control && !control->widget->isHidden();
}

bool QtWindow::IsControlEnabled(int id) const {
    const ControlState* control = Find(id);
    return control && control->widget->isEnabled();
}

void QtWindow::ShowBarPosition(ControlState& control) {
    auto* widget = static_cast<QProgressBar*>(control.widget);
    const ProgressModel& bar = control.progress;
    // QProgressBar counts in int; a wider range is shown scaled down.
    const std::uint64_t span = bar.high - bar.low;
    const std::uint64_t scale = span / INT_MAX + 1;
    widget->setRange(0, static_cast<int>(span / scale));
    widget->setValue(static_cast<int>((bar.position - bar.low) / scale));
}

void QtWindow::SetProgressRange(int id, std::uint32_t low, std::uint32_t high) {
    ControlState& control = Get(id);
    control.progress.SetRange(low, high);
    ShowBarPosition(control);
}

void QtWindow::SetProgressPosition(int id, std::uint32_t position) {
    ControlState& control = Get(id);
    control.progress.position = control.progress.Clamped(position);
    ShowBarPosition(control);
}

void QtWindow::SetProgressStep(int id, std::uint32_t step) {
    Get(id).progress.step = step;
}

void QtWindow::StepProgress(int id) {
    SetProgressPosition(id, Get(id).progress.Stepped());
}

std::uint32_t QtWindow::ProgressPosition(int id) const {
    const ControlState* control = Find(id);
    return control ? control->progress.position : 0;
}

void QtWindow::InvalidateControl(int id) {
    // The control's rectangle on the form, as the view invalidates it on Windows.
    m_form->update(Get(id).widget->geometry());
    m_needsPaint = true;
}

void QtWindow::UpdateNow() {
    if (!m_needsPaint) {
        return;
    }
    m_needsPaint = false;
    Draw();
}

void QtWindow::FormPainted() {
    if (m_paintingNow) {
        return;
    }
    m_needsPaint = true;
    if (!m_paintPosted) {
        m_paintPosted = true;
        Post([this] { DeliverPaint(); });
    }
}

void QtWindow::DeliverPaint() {
    m_paintPosted = false;
    if (m_needsPaint) {
        m_needsPaint = false;
        Draw();
    }
}

void QtWindow::Draw() {
    m_handler.OnPaint();
    // What the draw changed is painted now, as part of this paint. Qt repaints the form beneath
    // every changed control, and reported, that paint would ask for the next draw, for ever.
    m_paintingNow = true;
    m_form->repaint();
    m_paintingNow = false;
}

void QtWindow::StartTimer(int timerId, std::chrono::milliseconds period) {
    KillTimer(timerId);  // like SetTimer: a running timer of that id starts over
    const int qtId = startTimer(period, Qt::PreciseTimer);
    if (qtId != 0) {
        m_timers[qtId] = timerId;
    }
}

void QtWindow::KillTimer(int timerId) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->second == timerId) {
            killTimer(it->first);
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
}

void QtWindow::KillAllTimers() {
    for (const auto& [qtId, timerId] : m_timers) {
        killTimer(qtId);
    }
    m_timers.clear();
}

void QtWindow::timerEvent(QTimerEvent* event) {
    auto found = m_timers.find(event->timerId());
    if (found != m_timers.end()) {
        m_handler.OnTimer(found->second);
    }
}

void QtWindow::Post(std::function<void()> task) {
    // A queued call: thread-safe, and dropped by Qt when this object is gone before it runs.
    QMetaObject::invokeMethod(
        this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

void QtWindow::EndModal(int code) {
    if (m_endModal) {
        m_endModal(code);
    }
}

void QtWindow::PostCloseRequest() {
    Post([this] { m_topLevel.close(); });
}

}  // namespace rlq::platform::qt
