#include "frontends/cli/console_presenter.h"

#include <algorithm>

#include "common/ipv4.h"
#include "common/temp_address.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "resources/message_catalogue.h"
#include "workflow/cause_texts.h"

namespace rlq::cli {
namespace {

constexpr int kBarWidth = 40;
constexpr std::size_t kVersionLabelWidth = 6;

// The unit's label, as the main window's labels name it.
std::string BarLabel(Unit unit) {
    return std::string(LoadMessage(unit == Unit::Main ? msg::kMainLabel : msg::kSubLabel));
}

// The version and check lines' label: "Main: ", "Sub:  ".
std::string VersionLabel(Unit unit) {
    std::string label = BarLabel(unit) + ":";
    label.resize(std::max(label.size(), kVersionLabelWidth), ' ');
    return label;
}

// Message texts break lines with CR LF; a console wants LF alone.
std::string ConsoleText(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
        text.replace(at, 2, "\n");
    }
    return text;
}

// One adapter as the search saw it: name, link, addresses, requests and replies.
std::string AdapterLine(const AdapterSearched& adapter) {
    std::string line =
        adapter.name + ": " +
        std::string(LoadMessage(adapter.link ? msg::kConsoleLinkUp : msg::kConsoleLinkDown)) + ", ";
    if (adapter.addresses.empty()) {
        line += LoadMessage(msg::kConsoleNoAddress);
    }
    for (std::size_t i = 0; i < adapter.addresses.size(); ++i) {
        line += i == 0 ? "" : " ";
        line += PrefixText(adapter.addresses[i]).View();
    }
    line += FillMessage(msg::kConsoleAdapterCounts,
                        {std::to_string(adapter.sent), std::to_string(adapter.replies)});
    if (adapter.rejected > 0) {
        line += FillMessage(msg::kConsoleRejected, {std::to_string(adapter.rejected)});
    }
    return line;
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
    const std::string label = BarLabel(bar.unit);
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

void ConsolePresenter::UnitChecked(Unit unit, Ipv4 address, std::uint16_t version,
                                   std::uint16_t carried, bool current) {
    Line(VersionLabel(unit) + FormatIpv4(address) + "  " + VersionChangeText(version, carried) +
         "  " +
         std::string(LoadMessage(current ? msg::kConsoleCurrent : msg::kConsoleUpdateNeeded)));
}

void ConsolePresenter::RunStarted(const RunStart& start) {
    Line(FillMessage(msg::kConsoleFirmwareInfo, {start.firmwareInfo}));
    Line("== " + start.windowTitle);
}

void ConsolePresenter::LeftoverAddressRemoved(const std::string& interfaceName) {
    Line(FillMessage(msg::kConsoleLeftoverRemoved, {kTempAddressText, interfaceName}));
}

void ConsolePresenter::Lines(const SearchTexts& texts) {
    for (const std::string& line : texts.lines) {
        if (!line.empty()) {
            Line("  " + line);
        }
    }
}

void ConsolePresenter::SearchShown(const SearchTexts& texts) {
    Lines(texts);
}

void ConsolePresenter::SearchGivenUp(const SearchTexts& texts) {
    Line("[" + texts.button + "]");
    Line("== " + texts.title);
    Lines(texts);
}

void ConsolePresenter::SearchDiagnosed(Unit, const SearchDiagnosis& diagnosis) {
    const CauseTexts texts = TextsForCause(diagnosis);
    Line(FillMessage(msg::kConsoleCause, {NotFoundCauseCode(diagnosis.cause), texts.seen}));
    Line(FillMessage(msg::kConsoleHint, {texts.hint}));
    for (const AdapterSearched& adapter : diagnosis.adapters) {
        Line("  " + AdapterLine(adapter));
    }
}

void ConsolePresenter::VersionShown(Unit unit, std::uint16_t unitVersion, std::uint16_t carried) {
    Line(VersionLabel(unit) + VersionChangeText(unitVersion, carried));
}

void ConsolePresenter::UnitAddressShown(Unit, Ipv4 address) {
    Line(FillMessage(msg::kConsoleUnitAddress, {FormatIpv4(address)}));
}

void ConsolePresenter::Progress(Unit unit, std::uint32_t done, std::uint32_t total) {
    if (const auto bar = m_bars.Take(unit, done, total)) {
        DrawBar(*bar);
    }
}

void ConsolePresenter::MessageShown(int, std::string_view caption, std::string_view text) {
    Line("[" + std::string(caption) + "] " + ConsoleText(std::string(text)));
}

void ConsolePresenter::Offered(OfferedButton button) {
    Line(
        std::string(LoadMessage(button == OfferedButton::Retry ? msg::kConsoleOfferedRetry
                                                               : msg::kConsoleOfferedSpecialMode)));
}

}  // namespace rlq::cli
