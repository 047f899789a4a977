#pragma once
// A windowing backend without a screen. Every visible change is kept, in order, as an event log;
// tests and the console front end drive it by clicking buttons, pressing keys and answering
// message boxes. With virtual time the loop jumps to the next timer when idle, so a test of a
// 28-tick budget takes no real time; virtual time assumes no other thread posts work.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace rlq::platform {

struct UiEvent {
    enum class Kind {
        Title,
        Text,
        Shown,
        Enabled,
        Disabled,
        Range,
        Position,
        Paint,
        Opened,
        Closed,
        Message
    };
    UiEvent(Kind kind, std::string window, int control = kUnnamedControl, std::string text = {})
        : kind(kind), window(std::move(window)), control(control), text(std::move(text)) {}

    Kind kind;
    std::string window;  // "main" or "dialog <id>"
    int control = kUnnamedControl;
    std::string text;                 // new text, or a message box's text
    std::string caption;              // a message box's caption
    std::uint32_t low = 0, high = 0;  // progress range, or position in `high`
    MessageIcon icon = MessageIcon::None;

    std::string ToString() const;
};

enum class TimeMode { Real, Virtual };

class HeadlessWindow;

class HeadlessToolkit final : public Toolkit {
  public:
    explicit HeadlessToolkit(TimeMode mode);
    ~HeadlessToolkit() override;

    Window& CreateMainWindow(const MainWindowLayout& layout, WindowHandler& frame,
                             WindowHandler& view) override;
    void ShowMainWindow() override;
    Window* MainWindow() override;
    int RunModal(const DialogLayout& layout, WindowHandler& handler) override;
    void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
    void PumpMessages() override;
    int RunMessageLoop() override;

    // --- driving and observing ---
    const std::vector<UiEvent>& Events() const { return m_events; }
    std::vector<std::string> EventLines() const;
    std::vector<std::string> EventLines(UiEvent::Kind only) const;
    void SetObserver(std::function<void(const UiEvent&)> observer);
    // Runs when a message box appears, before it is dismissed with OK.
    void SetMessageBoxAnswer(std::function<void(const UiEvent&)> answer);
    // Runs `action` on the loop once `delay` has passed (virtual or real).
    void After(std::chrono::milliseconds delay, std::function<void()> action);
    // The innermost modal dialog, or the main window when none is open.
    Window* ActiveWindow();
    // The main window's last state, also after it has closed.
    Window& MainWindowState();
    void Click(Window& window, int controlId);
    void PressEscape(Window& window);
    void PressEnter(Window& window);
    void ClickCloseBox(Window& window);
    std::chrono::milliseconds Elapsed() const;

    // For the windows: queue work, timers, the log.
    void Enqueue(std::weak_ptr<void> alive, std::function<void()> task);
    void Record(UiEvent event);
    void AddTimer(HeadlessWindow* window, int timerId, std::chrono::milliseconds period);
    void RemoveTimers(HeadlessWindow* window, int timerId, bool all);

  private:
    using Clock = std::chrono::steady_clock;
    struct Task {
        std::weak_ptr<void> alive;
        std::function<void()> run;
    };
    struct Timer {
        HeadlessWindow* window;
        int id;
        std::chrono::milliseconds period;
        Clock::time_point due;
    };
    struct Scheduled {
        Clock::time_point due;
        std::function<void()> action;
    };

    Clock::time_point Now() const;
    bool DispatchPending();  // one round of due work; false when nothing was due
    void WaitForWork();  // idle: until a post arrives or the next deadline (jump in virtual time)
    void RunLoopUntil(const std::function<bool()>& done);
    void PaintInvalidWindows();

    TimeMode m_mode;
    Clock::time_point m_start;
    Clock::time_point m_virtualNow;
    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<Task> m_tasks;
    std::vector<Timer> m_timers;
    std::vector<Scheduled> m_scheduled;
    std::vector<UiEvent> m_events;
    std::function<void(const UiEvent&)> m_observer;
    std::function<void(const UiEvent&)> m_messageBoxAnswer;
    std::unique_ptr<HeadlessWindow> m_main;
    WindowHandler* m_frameHandler = nullptr;
    bool m_mainClosed = false;
    std::vector<HeadlessWindow*> m_modalStack;
};

}  // namespace rlq::platform
