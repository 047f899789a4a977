#pragma once
// The console face of the headless toolkit: prints what the windows would show, draws the bars
// on a terminal, answers message boxes with OK and, when the search dialog says the unit was not
// found, presses its button as a user would.

#include <cstdio>
#include <string>

#include "platform/headless/headless_toolkit.h"

namespace rlq::cli {

class ConsolePresenter {
  public:
    ConsolePresenter(platform::HeadlessToolkit& ui, std::FILE* out, bool terminal);
    void Show(const platform::UiEvent& event);

  private:
    void Line(const std::string& text);
    void DrawBar(int slot, std::uint32_t position, std::uint32_t high);  // slot 0 Main, 1 Sub
    void EndBar();

    platform::HeadlessToolkit& m_ui;
    std::FILE* m_out;
    bool m_terminal;
    bool m_barOpen = false;
    int m_lastPercent[2] = {-1, -1};
    std::uint32_t m_mainHigh = 0;
    std::uint32_t m_subHigh = 0;
};

}  // namespace rlq::cli
