#pragma once
// The windowing layer: windows built from layout tables, the few operations the workflow performs
// on them, and a toolkit that runs loops, timers and message boxes. Backends: headless (tests and
// the console front end), Qt, Win32.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace rlq::platform {

enum class ControlKind {
    GroupBox,
    Edit,
    StaticText,
    ProgressBar,
    PushButton,
    DefaultPushButton,
    Icon
};

// Style flags of a control, as the layout tables give them.
enum ControlStyle : std::uint32_t {
    kVisible = 1u << 0,
    kReadOnly = 1u << 1,
    kAutoHScroll = 1u << 2,
    kNoBorder = 1u << 3,
    kBorder = 1u << 4,
    kSmooth = 1u << 5,
    kSegmented = 1u << 6,
    kTabStop = 1u << 7,
    kNoPrefix = 1u << 8,
};

constexpr int kUnnamedControl = -1;  // a control the program never addresses

// A dialog's end codes, as the system's OK and Cancel buttons give them.
constexpr int kOkCode = 1;
constexpr int kCancelCode = 2;

// Position and size in dialog units; `text` is UTF-8 (for an icon control: the icon's id as text).
struct ControlLayout {
    int id;
    ControlKind kind;
    std::string_view text;
    int x, y, width, height;
    std::uint32_t style;
};

enum class DialogKind { ChildForm, ModalPopup };

struct DialogLayout {
    int id;
    DialogKind kind;
    std::string_view title;
    int width, height;
    std::string_view fontName;
    int fontPoints;
    std::span<const ControlLayout> controls;  // in tab order
};

struct MenuItem {
    std::string_view text;  // "&" marks the mnemonic
    int command;
};

struct MenuLayout {
    std::string_view text;
    std::span<const MenuItem> items;
};

enum AcceleratorModifier : std::uint8_t { kNoModifier = 0, kCtrl = 1, kShift = 2, kAlt = 4 };
enum class AcceleratorKey { N, O, S, Z, X, C, V, Backspace, Delete, Insert, F6 };

struct Accelerator {
    std::uint8_t modifiers;
    AcceleratorKey key;
    int command;
};

struct MainWindowLayout {
    std::string_view title;
    const DialogLayout& form;  // the view's form, which the frame is sized to
    std::span<const MenuLayout> menu = {};
    std::span<const Accelerator> accelerators = {};
    int iconId = 0;
};

enum class MessageIcon { None, Exclamation };

class Window {
  public:
    virtual ~Window() = default;

    virtual void SetTitle(std::string_view title) = 0;
    virtual std::string Title() const = 0;
    virtual bool HasControl(int id) const = 0;
    virtual void SetControlText(int id, std::string_view text) = 0;
    virtual std::string ControlText(int id) const = 0;
    virtual void ShowControl(int id) = 0;  // adds the visible style
    // Shows a static text that wraps within its control's width: the control takes the height of
    // its lines, and the window grows so that it keeps below the control the margin it kept
    // below its other controls. Nothing else moves.
    virtual void ShowWrappedText(int id, std::string_view text) = 0;
    virtual void EnableControl(int id, bool enable) = 0;
    virtual bool IsControlVisible(int id) const = 0;
    virtual bool IsControlEnabled(int id) const = 0;

    virtual void SetProgressRange(int id, std::uint32_t low, std::uint32_t high) = 0;
    virtual void SetProgressPosition(int id, std::uint32_t position) = 0;
    virtual void SetProgressStep(int id, std::uint32_t step) = 0;
    virtual void StepProgress(int id) = 0;
    virtual std::uint32_t ProgressPosition(int id) const = 0;

    // Marks the control for repainting without erasing; UpdateNow paints what is marked at once.
    virtual void InvalidateControl(int id) = 0;
    virtual void UpdateNow() = 0;

    virtual void StartTimer(int timerId, std::chrono::milliseconds period) = 0;
    virtual void KillTimer(int timerId) = 0;

    // Queues a task on this window's thread; callable from any thread. A task posted to a window
    // that is destroyed before it runs is dropped.
    virtual void Post(std::function<void()> task) = 0;

    // Ends the modal loop of this dialog with `code` (kOkCode, kCancelCode).
    virtual void EndModal(int code) = 0;
    // Queues a close request for the main window; the frame's handler may veto it.
    virtual void PostCloseRequest() = 0;
};

// What a window tells its owner. Every call comes on the user-interface thread.
class WindowHandler {
  public:
    virtual ~WindowHandler() = default;
    virtual void OnCreate(Window&) {}  // the window and its controls exist
    virtual void OnDestroy() {}        // the window is about to go away
    virtual void OnPaint() {}
    virtual void OnCommand(int /*id*/) {}  // button, menu item or accelerator
    virtual void OnTimer(int /*timerId*/) {}
    virtual void OnCancel() {}                      // Esc or the close box of a dialog
    virtual void OnOk() {}                          // Enter in a dialog
    virtual bool OnCloseRequest() { return true; }  // main window: false keeps it open
};

class Toolkit {
  public:
    virtual ~Toolkit() = default;

    // The frame handler gets close requests and menu commands; the view handler gets the form's
    // creation, paints and button clicks. The window is shown by Show.
    virtual Window& CreateMainWindow(const MainWindowLayout& layout, WindowHandler& frame,
                                     WindowHandler& view) = 0;
    virtual void ShowMainWindow() = 0;
    virtual Window* MainWindow() = 0;

    // Runs a modal dialog centred on its owner; returns the code given to EndModal.
    virtual int RunModal(const DialogLayout& layout, WindowHandler& handler) = 0;

    // A message box with an OK button, owned by the main window.
    virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;

    // Dispatches everything pending for this thread and returns when nothing is left.
    virtual void PumpMessages() = 0;

    // Runs until the main window has closed; returns the exit code.
    virtual int RunMessageLoop() = 0;
};

}  // namespace rlq::platform
