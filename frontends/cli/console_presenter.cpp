#include "frontends/cli/console_presenter.h"

#include "app/resources/message_catalogue.h"
#include "app/resources/resource_ids.h"

namespace rlq::cli {
namespace {

using Kind = platform::UiEvent::Kind;
constexpr int kBarWidth = 40;
const std::string kSearchDialog = "dialog " + std::to_string(res::kSearchDialog);

// Message texts break lines with CR LF; a console wants LF alone.
std::string ConsoleText(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
        text.replace(at, 2, "\n");
    }
    return text;
}

}  // namespace

ConsolePresenter::ConsolePresenter(platform::HeadlessToolkit& ui, std::FILE* out, bool terminal)
    : m_ui(ui), m_out(out), m_terminal(terminal) {}

void ConsolePresenter::Line(const std::string& text) {
    EndBar();
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

void ConsolePresenter::EndBar() {
    if (m_barOpen) {
        std::fputc('\n', m_out);
        m_barOpen = false;
    }
}

void ConsolePresenter::DrawBar(int slot, std::uint32_t position, std::uint32_t high) {
    const std::string label = slot == 0 ? "Main" : "Sub";
    const int percent = high == 0 ? 100 : static_cast<int>(100.0 * position / high);
    if (percent == m_lastPercent[slot]) {
        return;
    }
    m_lastPercent[slot] = percent;
    if (!m_terminal) {
        if (percent == 100) {
            Line(label + " 100%");
        }
        return;
    }
    const int filled = percent * kBarWidth / 100;
    std::fprintf(m_out, "\r%-4s [%s%s] %3d%%", label.c_str(), std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, ' ').c_str(), percent);
    std::fflush(m_out);
    m_barOpen = true;
}

void ConsolePresenter::Show(const platform::UiEvent& event) {
    const bool inSearch = event.window == kSearchDialog;
    switch (event.kind) {
        case Kind::Opened:
            if (!inSearch) {
                Line("== " + event.text);
            }
            break;
        case Kind::Title:
            Line("== " + event.text);
            break;
        case Kind::Text:
            if (event.text.empty()) {
                break;
            }
            if (inSearch && event.control == res::kSearchCancelButton) {
                // The search has given up: the user reads the texts and goes back.
                Line("[" + event.text + "]");
                m_ui.After(std::chrono::milliseconds(0), [this] {
                    if (platform::Window* dialog = m_ui.ActiveWindow()) {
                        m_ui.Click(*dialog, res::kSearchCancelButton);
                    }
                });
            } else if (inSearch) {
                Line("  " + event.text);
            } else if (event.control == res::kFirmwareInfoEdit) {
                Line("ファームウェア情報: " + event.text);
            } else if (event.control == res::kIpAddressEdit) {
                Line("IPアドレス: " + event.text);
            } else if (event.control == res::kMainVersionText) {
                Line("Main: " + event.text);
            } else if (event.control == res::kSubVersionText) {
                Line("Sub:  " + event.text);
            }
            break;
        case Kind::Position:
            if (event.control == res::kMainProgress || event.control == res::kSubProgress) {
                const bool main = event.control == res::kMainProgress;
                DrawBar(main ? 0 : 1, event.high, main ? m_mainHigh : m_subHigh);
            }
            break;
        case Kind::Range:
            if (event.control == res::kMainProgress) {
                m_mainHigh = event.high;
            } else if (event.control == res::kSubProgress) {
                m_subHigh = event.high;
            }
            break;
        case Kind::Shown:
            if (event.control == res::kRetryButton) {
                Line("→ 再試行");
            } else if (event.control == res::kSpecialModeButton) {
                Line("→ 特殊モード");
            }
            break;
        case Kind::Message:
            Line("[" + event.caption + "] " + ConsoleText(event.text));
            break;
        default:
            break;
    }
}

}  // namespace rlq::cli
