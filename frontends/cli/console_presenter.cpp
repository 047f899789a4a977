#include "frontends/cli/console_presenter.h"

#include "common/ipv4.h"
#include "common/temp_address.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "frontends/cli/search_answerer.h"
#include "resources/resource_ids.h"

namespace rlq::cli {
namespace {

using Kind = platform::UiEvent::Kind;
constexpr int kBarWidth = 40;
constexpr const char* kBarLabel[kSlotCount] = {"Main", "Sub"};
const std::string kVersionLabel[kSlotCount] = {"Main: ", "Sub:  "};  // the version and check lines
constexpr char kCurrentText[] = "最新です";
constexpr char kUpdateNeededText[] = "アップデートが必要です";

// Message texts break lines with CR LF; a console wants LF alone.
std::string ConsoleText(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
        text.replace(at, 2, "\n");
    }
    return text;
}

}  // namespace

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

void ConsolePresenter::DrawBar(const BarPercent& bar) {
    const std::string label = kBarLabel[bar.slot];
    if (!m_terminal) {
        if (bar.percent == 100) {
            Line(label + " 100%");
        }
        return;
    }
    const int filled = bar.percent * kBarWidth / 100;
    std::fprintf(m_out, "\r%-4s [%s%s] %3d%%", label.c_str(), std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, ' ').c_str(), bar.percent);
    std::fflush(m_out);
    m_barOpen = true;
}

void ConsolePresenter::ShowChecked(int slot, const UnitSlot& unit, std::uint16_t carried,
                                   bool current) {
    Line(kVersionLabel[slot] + FormatIpv4(unit.unitAddress) + "  Ver." +
         FormatVersion(unit.version) + "→" + FormatVersion(carried) + "  " +
         (current ? kCurrentText : kUpdateNeededText));
}

void ConsolePresenter::LeftoverAddressRemoved(const std::string& interfaceName) {
    Line("前回の実行で残った一時アドレス " + std::string(kTempAddressText) + " を " +
         interfaceName + " から削除しました。");
}

void ConsolePresenter::Show(const platform::UiEvent& event) {
    if (const auto bar = m_bars.Take(event)) {
        DrawBar(*bar);
        return;
    }
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
            if (IsSearchGivenUp(event)) {
                Line("[" + event.text + "]");
            } else if (inSearch) {
                Line("  " + event.text);
            } else if (event.control == res::kFirmwareInfoEdit) {
                Line("ファームウェア情報: " + event.text);
            } else if (event.control == res::kIpAddressEdit) {
                Line("IPアドレス: " + event.text);
            } else if (event.control == res::kMainVersionText) {
                Line(kVersionLabel[kMainSlot] + event.text);
            } else if (event.control == res::kSubVersionText) {
                Line(kVersionLabel[kSubSlot] + event.text);
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
