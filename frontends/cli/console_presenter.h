#pragma once
// The console face of the headless toolkit for people: prints what the windows would show, in
// their Japanese texts, and draws the bars on a terminal.

#include <cstdio>
#include <string>

#include "frontends/cli/bar_percents.h"
#include "frontends/cli/presenter.h"

namespace rlq::cli {

class ConsolePresenter final : public Presenter {
  public:
    ConsolePresenter(std::FILE* out, bool terminal) : m_out(out), m_terminal(terminal) {}
    void LeftoverAddressRemoved(const std::string& interfaceName) override;
    void Show(const platform::UiEvent& event) override;
    // The search dialog's own texts tell of each search.
    void SearchStarted(std::int32_t) override {}
    void SearchEnded(std::int32_t, const UnitSlot&) override {}
    void ShowChecked(int slot, const UnitSlot& unit, std::uint16_t carried, bool current) override;
    void Finish(int, std::string_view) override {}

  private:
    void Line(const std::string& text);
    void DrawBar(const BarPercent& bar);
    void EndBar();

    std::FILE* m_out;
    bool m_terminal;
    bool m_barOpen = false;
    BarPercents m_bars;
};

}  // namespace rlq::cli
