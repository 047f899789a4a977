#include "platform/win32/dialog_template.h"

#include <windows.h>

#include <commctrl.h>

#include <charconv>

#include "platform/win32/wide_text.h"

namespace rlq::platform::win32 {
namespace {

// Ordinals of the predefined window classes in a dialog template.
constexpr std::uint16_t kButtonClass = 0x0080;
constexpr std::uint16_t kEditClass = 0x0081;
constexpr std::uint16_t kStaticClass = 0x0082;
constexpr std::uint16_t kOrdinalMark = 0xFFFF;
constexpr std::uint16_t kExtendedVersion = 1;
constexpr std::uint16_t kNormalWeight = FW_NORMAL;

class TemplateWriter {
  public:
    void Word(std::uint16_t value) { m_words.push_back(value); }
    void Dword(std::uint32_t value) {
        Word(static_cast<std::uint16_t>(value & 0xFFFF));
        Word(static_cast<std::uint16_t>(value >> 16));
    }
    void Text(std::string_view utf8) {
        for (wchar_t c : Widen(utf8)) {
            Word(static_cast<std::uint16_t>(c));
        }
        Word(0);
    }
    void Ordinal(std::uint16_t value) {
        Word(kOrdinalMark);
        Word(value);
    }
    void AlignToDword() {
        if (m_words.size() % 2 != 0) {
            Word(0);
        }
    }
    std::vector<std::uint16_t> Take() { return std::move(m_words); }

  private:
    std::vector<std::uint16_t> m_words;
};

std::uint32_t DialogStyle(DialogKind kind) {
    if (kind == DialogKind::ChildForm) {
        return WS_CHILD | WS_VISIBLE | DS_CONTROL | DS_SETFONT;
    }
    return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
}

std::uint32_t KindStyle(ControlKind kind) {
    switch (kind) {
        case ControlKind::GroupBox:
            return BS_GROUPBOX;
        case ControlKind::Edit:
            return ES_LEFT;
        case ControlKind::StaticText:
            return SS_LEFT;
        case ControlKind::ProgressBar:
            return 0;
        case ControlKind::PushButton:
            return BS_PUSHBUTTON;
        case ControlKind::DefaultPushButton:
            return BS_DEFPUSHBUTTON;
        case ControlKind::Icon:
            return SS_ICON;
    }
    return 0;
}

void WriteClass(TemplateWriter& out, ControlKind kind) {
    switch (kind) {
        case ControlKind::GroupBox:
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
            out.Ordinal(kButtonClass);
            return;
        case ControlKind::Edit:
            out.Ordinal(kEditClass);
            return;
        case ControlKind::StaticText:
        case ControlKind::Icon:
            out.Ordinal(kStaticClass);
            return;
        case ControlKind::ProgressBar:
            out.Text("msctls_progress32");
            return;
    }
}

// An icon control names its icon resource by number.
void WriteTitle(TemplateWriter& out, const ControlLayout& control) {
    if (control.kind == ControlKind::Icon) {
        std::uint16_t id = 0;
        std::from_chars(control.text.data(), control.text.data() + control.text.size(), id);
        out.Ordinal(id);
        return;
    }
    out.Text(control.text);
}

}  // namespace

std::uint32_t ControlWindowStyle(const ControlLayout& control) {
    std::uint32_t style = WS_CHILD | KindStyle(control.kind);
    const std::uint32_t flags = control.style;
    if (flags & kVisible)
        style |= WS_VISIBLE;
    if (flags & kReadOnly)
        style |= ES_READONLY;
    if (flags & kAutoHScroll)
        style |= ES_AUTOHSCROLL;
    if (flags & kBorder)
        style |= WS_BORDER;
    if (flags & kSmooth)
        style |= PBS_SMOOTH;
    if (flags & kTabStop)
        style |= WS_TABSTOP;
    if (flags & kNoPrefix)
        style |= SS_NOPREFIX;
    // kNoBorder and kSegmented are the absence of WS_BORDER and PBS_SMOOTH.
    return style;
}

std::vector<std::uint16_t> BuildDialogTemplate(const DialogLayout& layout) {
    TemplateWriter out;
    out.Word(kExtendedVersion);
    out.Word(kOrdinalMark);  // signature of the extended template
    out.Dword(0);            // help id
    out.Dword(0);            // extended style
    out.Dword(DialogStyle(layout.kind));
    out.Word(static_cast<std::uint16_t>(layout.controls.size()));
    // Position 0, 0: a modal dialog is centred over its owner when it opens.
    out.Word(0);
    out.Word(0);
    out.Word(static_cast<std::uint16_t>(layout.width));
    out.Word(static_cast<std::uint16_t>(layout.height));
    out.Word(0);  // no menu
    out.Word(0);  // the dialog class
    out.Text(layout.title);
    out.Word(static_cast<std::uint16_t>(layout.fontPoints));
    out.Word(kNormalWeight);
    out.Word(DEFAULT_CHARSET << 8);  // italic 0, then the character set byte
    out.Text(layout.fontName);
    for (const ControlLayout& control : layout.controls) {
        out.AlignToDword();
        out.Dword(0);  // help id
        out.Dword(0);  // extended style
        out.Dword(ControlWindowStyle(control));
        out.Word(static_cast<std::uint16_t>(control.x));
        out.Word(static_cast<std::uint16_t>(control.y));
        out.Word(static_cast<std::uint16_t>(control.width));
        out.Word(static_cast<std::uint16_t>(control.height));
        out.Dword(static_cast<std::uint32_t>(control.id));
        WriteClass(out, control.kind);
        WriteTitle(out, control);
        out.Word(0);  // no creation data
    }
    return out.Take();
}

}  // namespace rlq::platform::win32
