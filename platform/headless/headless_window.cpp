#include "platform/headless/headless_window.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace rlq::platform {

HeadlessWindow::HeadlessWindow(HeadlessToolkit& toolkit, std::string name,
                               const DialogLayout& layout, std::string_view title,
                               WindowHandler& handler)
    : m_toolkit(toolkit), m_name(std::move(name)), m_title(title), m_handler(handler) {
    for (const ControlLayout& control : layout.controls) {
        if (control.id != kUnnamedControl) {
            m_controls[control.id] =
                Control{control.kind, std::string(control.text), (control.style & kVisible) != 0};
        }
    }
}

HeadlessWindow::~HeadlessWindow() = default;

HeadlessWindow::Control& HeadlessWindow::Get(int id) {
    auto found = m_controls.find(id);
    if (found == m_controls.end()) {
        // A wrong id is a programming fault in a layout table or its user; fail loudly.
        throw std::logic_error(m_name + ": no control " + std::to_string(id));
    }
    return found->second;
}

const HeadlessWindow::Control* HeadlessWindow::Find(int id) const {
    auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : &found->second;
}

void HeadlessWindow::Record(UiEvent::Kind kind, int control, std::string text, std::uint32_t low,
                            std::uint32_t high) {
    UiEvent event(kind, m_name, control, std::move(text));
    event.low = low;
    event.high = high;
    m_toolkit.Record(std::move(event));
}

void HeadlessWindow::SetTitle(std::string_view title) {
    if (m_title != title) {
        m_title = title;
        Record(UiEvent::Kind::Title, kUnnamedControl, m_title);
    }
}

void HeadlessWindow::SetControlText(int id, std::string_view text) {
    Control& control = Get(id);
    if (control.text != text) {
        control.text = text;
        Record(UiEvent::Kind::Text, id, control.text);
    }
}

std::string HeadlessWindow::ControlText(int id) const {
    const Control* control = Find(id);
    return control ? control->text : std::string{};
}

void HeadlessWindow::ShowControl(int id) {
    Control& control = Get(id);
    if (!control.visible) {
        control.visible = true;
        Record(UiEvent::Kind::Shown, id);
    }
}

void HeadlessWindow::EnableControl(int id, bool enable) {
    Control& control = Get(id);
    if (control.enabled != enable) {
        control.enabled = enable;
        // A hidden control's state is not visible; still logged so tests can see the order.
        Record(enable ? UiEvent::Kind::Enabled : UiEvent::Kind::Disabled, id);
    }
}

bool HeadlessWindow::IsControlVisible(int id) const {
    const Control* control = Find(id);
    return control && control->visible;
}

bool HeadlessWindow::IsControlEnabled(int id) const {
    const Control* control = Find(id);
    return control && control->enabled;
}

void HeadlessWindow::SetProgressRange(int id, std::uint32_t low, std::uint32_t high) {
    ProgressModel& bar = Get(id).progress;
    const ProgressModel before = bar;
    bar.SetRange(low, high);
    if (bar.low != before.low || bar.high != before.high) {
        Record(UiEvent::Kind::Range, id, {}, bar.low, bar.high);
    }
}

void HeadlessWindow::SetProgressPosition(int id, std::uint32_t position) {
    ProgressModel& bar = Get(id).progress;
    position = bar.Clamped(position);
    if (bar.position != position) {
        bar.position = position;
        Record(UiEvent::Kind::Position, id, {}, bar.low, position);
    }
}

void HeadlessWindow::SetProgressStep(int id, std::uint32_t step) {
    Get(id).progress.step = step;
}

void HeadlessWindow::StepProgress(int id) {
    SetProgressPosition(id, Get(id).progress.Stepped());
}

std::uint32_t HeadlessWindow::ProgressPosition(int id) const {
    const Control* control = Find(id);
    return control ? control->progress.position : 0;
}

void HeadlessWindow::InvalidateControl(int id) {
    Get(id);
    m_needsPaint = true;
}

void HeadlessWindow::UpdateNow() {
    if (m_needsPaint) {
        Paint();
    }
}

void HeadlessWindow::Paint() {
    m_needsPaint = false;
    Record(UiEvent::Kind::Paint, kUnnamedControl);
    m_handler.OnPaint();
}

void HeadlessWindow::StartTimer(int timerId, std::chrono::milliseconds period) {
    m_toolkit.AddTimer(this, timerId, period);
}

void HeadlessWindow::KillTimer(int timerId) {
    m_toolkit.RemoveTimers(this, timerId, false);
}

void HeadlessWindow::Post(std::function<void()> task) {
    m_toolkit.Enqueue(m_alive, std::move(task));
}

void HeadlessWindow::EndModal(int code) {
    m_modalEnded = true;
    m_modalCode = code;
}

void HeadlessWindow::PostCloseRequest() {
    Post([this] { m_toolkit.ClickCloseBox(*this); });
}

}  // namespace rlq::platform
