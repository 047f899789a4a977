#pragma once
// The console face for people: prints what the windows show, in their Japanese texts, and
// draws the bars on a terminal. The JSON presenter is the face for scripts.

#include <cstdio>
#include <string>

#include "frontends/cli/bar_percents.h"
#include "frontends/cli/presenter.h"

namespace rlq::cli {

class ConsolePresenter final : public Presenter {
  public:
    ConsolePresenter(std::FILE* out, bool terminal) : m_out(out), m_terminal(terminal) {}

    void RunStarted(const RunStart& start) override;
    void LeftoverAddressRemoved(const std::string& interfaceName) override;
    void SearchShown(const SearchTexts& texts) override;
    void SearchGivenUp(const SearchTexts& texts) override;
    void SearchDiagnosed(Unit unit, const SearchDiagnosis& diagnosis) override;
    void VersionShown(Unit unit, std::uint16_t unitVersion, std::uint16_t carried) override;
    void UnitAddressShown(Unit unit, Ipv4 address) override;
    void Progress(Unit unit, std::uint32_t done, std::uint32_t total) override;
    void MessageShown(int textId, std::string_view caption, std::string_view text) override;
    void Offered(OfferedButton button) override;

    void UnitChecked(Unit unit, Ipv4 address, std::uint16_t version, std::uint16_t carried,
                     bool current) override;

  private:
    void Line(const std::string& text);
    void Lines(const SearchTexts& texts);
    void DrawBar(const BarPercent& bar);
    void EndBar();

    std::FILE* m_out;
    bool m_terminal;
    bool m_barOpen = false;
    BarPercents m_bars;
};

}  // namespace rlq::cli
