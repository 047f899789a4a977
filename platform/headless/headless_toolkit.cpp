#include "platform/headless/headless_toolkit.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "platform/headless/headless_window.h"

namespace rlq::platform {
namespace {

constexpr std::chrono::seconds kIdleBound{10};

}  // namespace

std::string UiEvent::ToString() const {
    const std::string where =
        window +
        (control == kUnnamedControl ? std::string() : std::string(" ") + std::to_string(control));
    switch (kind) {
        case Kind::Title:
            return where + " title \"" + text + "\"";
        case Kind::Text:
            return where + " text \"" + text + "\"";
        case Kind::Shown:
            return where + " shown";
        case Kind::Enabled:
            return where + " enabled";
        case Kind::Disabled:
            return where + " disabled";
        case Kind::Range:
            return where + " range " + std::to_string(low) + ".." + std::to_string(high);
        case Kind::Position:
            return where + " position " + std::to_string(high);
        case Kind::Paint:
            return where + " paint";
        case Kind::Opened:
            return where + " opened \"" + text + "\"";
        case Kind::Closed:
            return where + " closed";
        case Kind::Message:
            return "message \"" + caption + "\" \"" + text + "\"" +
                   (icon == MessageIcon::Exclamation ? " !" : "");
    }
    return where;
}

HeadlessToolkit::HeadlessToolkit(TimeMode mode)
    : m_mode(mode), m_start(Clock::now()), m_virtualNow(m_start) {}

HeadlessToolkit::~HeadlessToolkit() = default;

HeadlessToolkit::Clock::time_point HeadlessToolkit::Now() const {
    return m_mode == TimeMode::Virtual ? m_virtualNow : Clock::now();
}

std::chrono::milliseconds HeadlessToolkit::Elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Now() - m_start);
}

Window& HeadlessToolkit::CreateMainWindow(const MainWindowLayout& layout, WindowHandler& frame,
                                          WindowHandler& view) {
    m_main = std::make_unique<HeadlessWindow>(*this, "main", layout.form, layout.title, view);
    m_frameHandler = &frame;
    m_mainClosed = false;
    view.OnCreate(*m_main);
    return *m_main;
}

void HeadlessToolkit::ShowMainWindow() {
    Record(UiEvent(UiEvent::Kind::Opened, "main", kUnnamedControl, m_main->Title()));
    // The view's first paint comes through the queue, as on a real desktop.
    m_main->Post([this] { m_main->Paint(); });
}

Window* HeadlessToolkit::MainWindow() {
    return m_mainClosed ? nullptr : m_main.get();
}

Window& HeadlessToolkit::MainWindowState() {
    return *m_main;
}

Window* HeadlessToolkit::ActiveWindow() {
    if (!m_modalStack.empty()) {
        return m_modalStack.back();
    }
    return MainWindow();
}

int HeadlessToolkit::RunModal(const DialogLayout& layout, WindowHandler& handler) {
    HeadlessWindow dialog(*this, "dialog " + std::to_string(layout.id), layout, layout.title,
                          handler);
    Record(UiEvent(UiEvent::Kind::Opened, dialog.Name(), kUnnamedControl, dialog.Title()));
    m_modalStack.push_back(&dialog);
    handler.OnCreate(dialog);
    RunLoopUntil([&] { return dialog.ModalEnded(); });
    handler.OnDestroy();
    RemoveTimers(&dialog, 0, true);
    m_modalStack.pop_back();
    Record(UiEvent(UiEvent::Kind::Closed, dialog.Name(), kUnnamedControl));
    return dialog.ModalCode();
}

void HeadlessToolkit::ShowMessage(std::string_view text, std::string_view caption,
                                  MessageIcon icon) {
    UiEvent event(UiEvent::Kind::Message, "main", kUnnamedControl, std::string(text));
    event.caption = caption;
    event.icon = icon;
    Record(event);
    if (m_messageBoxAnswer) {
        m_messageBoxAnswer(event);
    }
}

void HeadlessToolkit::PumpMessages() {
    while (DispatchPending()) {
    }
}

int HeadlessToolkit::RunMessageLoop() {
    RunLoopUntil([this] { return m_mainClosed; });
    return 0;
}

void HeadlessToolkit::RunLoopUntil(const std::function<bool()>& done) {
    while (!done()) {
        if (!DispatchPending()) {
            WaitForWork();
        }
    }
}

bool HeadlessToolkit::DispatchPending() {
    std::deque<Task> tasks;
    {
        std::lock_guard lock(m_queueMutex);
        tasks.swap(m_tasks);
    }
    bool worked = !tasks.empty();
    for (Task& task : tasks) {
        if (!task.alive.expired()) {
            task.run();
        }
    }
    const auto now = Now();
    // Scheduled driver actions and timers that are due, earliest first, one round at a time.
    auto scheduled = std::find_if(m_scheduled.begin(), m_scheduled.end(),
                                  [&](const Scheduled& s) { return s.due <= now; });
    if (scheduled != m_scheduled.end()) {
        auto action = std::move(scheduled->action);
        m_scheduled.erase(scheduled);
        action();
        worked = true;
    }
    std::vector<std::pair<HeadlessWindow*, int>> dueTimers;
    for (Timer& timer : m_timers) {
        if (timer.due <= now) {
            timer.due += timer.period;
            dueTimers.emplace_back(timer.window, timer.id);
        }
    }
    for (const auto& due : dueTimers) {
        HeadlessWindow* const window = due.first;
        const int id = due.second;
        // A timer killed by an earlier handler in this round does not fire.
        const bool stillRunning =
            std::any_of(m_timers.begin(), m_timers.end(),
                        [&](const Timer& t) { return t.window == window && t.id == id; });
        if (stillRunning) {
            window->Handler().OnTimer(id);
            worked = true;
        }
    }
    if (!worked) {
        PaintInvalidWindows();
    }
    return worked;
}

void HeadlessToolkit::PaintInvalidWindows() {
    if (m_main && !m_mainClosed && m_main->NeedsPaint()) {
        m_main->Paint();
    }
    for (HeadlessWindow* dialog : m_modalStack) {
        if (dialog->NeedsPaint()) {
            dialog->Paint();
        }
    }
}

void HeadlessToolkit::WaitForWork() {
    auto next = Clock::time_point::max();
    for (const Timer& timer : m_timers) {
        next = std::min(next, timer.due);
    }
    for (const Scheduled& scheduled : m_scheduled) {
        next = std::min(next, scheduled.due);
    }
    std::unique_lock lock(m_queueMutex);
    if (!m_tasks.empty()) {
        return;
    }
    if (m_mode == TimeMode::Virtual) {
        // With no timer left, only another thread's post can come; a loop that waits longer for
        // it than any of them takes is stuck.
        if (next == Clock::time_point::max() &&
            !m_queueChanged.wait_for(lock, kIdleBound, [this] { return !m_tasks.empty(); })) {
            throw std::logic_error("headless loop is idle with nothing left to happen");
        }
        if (!m_tasks.empty()) {
            return;
        }
        m_virtualNow = std::max(m_virtualNow, next);
        return;
    }
    if (next == Clock::time_point::max()) {
        m_queueChanged.wait(lock, [this] { return !m_tasks.empty(); });
    } else {
        m_queueChanged.wait_until(lock, next, [this] { return !m_tasks.empty(); });
    }
}

void HeadlessToolkit::Enqueue(std::weak_ptr<void> alive, std::function<void()> task) {
    {
        std::lock_guard lock(m_queueMutex);
        m_tasks.push_back(Task{std::move(alive), std::move(task)});
    }
    m_queueChanged.notify_all();
}

void HeadlessToolkit::Record(UiEvent event) {
    m_events.push_back(event);
    if (m_observer) {
        m_observer(m_events.back());
    }
}

std::vector<std::string> HeadlessToolkit::EventLines() const {
    std::vector<std::string> lines;
    for (const UiEvent& event : m_events) {
        lines.push_back(event.ToString());
    }
    return lines;
}

std::vector<std::string> HeadlessToolkit::EventLines(UiEvent::Kind only) const {
    std::vector<std::string> lines;
    for (const UiEvent& event : m_events) {
        if (event.kind == only) {
            lines.push_back(event.ToString());
        }
    }
    return lines;
}

void HeadlessToolkit::SetObserver(std::function<void(const UiEvent&)> observer) {
    m_observer = std::move(observer);
}

void HeadlessToolkit::SetMessageBoxAnswer(std::function<void(const UiEvent&)> answer) {
    m_messageBoxAnswer = std::move(answer);
}

void HeadlessToolkit::After(std::chrono::milliseconds delay, std::function<void()> action) {
    m_scheduled.push_back(Scheduled{Now() + delay, std::move(action)});
}

void HeadlessToolkit::AddTimer(HeadlessWindow* window, int timerId,
                               std::chrono::milliseconds period) {
    RemoveTimers(window, timerId, false);
    m_timers.push_back(Timer{window, timerId, period, Now() + period});
}

void HeadlessToolkit::RemoveTimers(HeadlessWindow* window, int timerId, bool all) {
    std::erase_if(m_timers, [&](const Timer& timer) {
        return timer.window == window && (all || timer.id == timerId);
    });
}

void HeadlessToolkit::Click(Window& window, int controlId) {
    auto& headless = static_cast<HeadlessWindow&>(window);
    if (!headless.IsControlVisible(controlId) || !headless.IsControlEnabled(controlId)) {
        return;  // a hidden or greyed button takes no click
    }
    headless.Handler().OnCommand(controlId);
}

void HeadlessToolkit::PressEscape(Window& window) {
    static_cast<HeadlessWindow&>(window).Handler().OnCancel();
}

void HeadlessToolkit::PressEnter(Window& window) {
    static_cast<HeadlessWindow&>(window).Handler().OnOk();
}

void HeadlessToolkit::ClickCloseBox(Window& window) {
    auto& headless = static_cast<HeadlessWindow&>(window);
    if (&headless != m_main.get()) {
        headless.Handler().OnCancel();
        return;
    }
    if (m_mainClosed || !m_frameHandler->OnCloseRequest()) {
        return;
    }
    m_main->Handler().OnDestroy();
    RemoveTimers(m_main.get(), 0, true);
    m_mainClosed = true;
    Record(UiEvent(UiEvent::Kind::Closed, "main", kUnnamedControl));
}

}  // namespace rlq::platform
