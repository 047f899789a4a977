#pragma once
// The console face for scripts (--json): one JSON object per line, no Japanese to parse. The
// event names are part of the interface; --help and the man page list them.

#include <cstdio>
#include <optional>
#include <string>

#include "common/json_line.h"
#include "frontends/cli/bar_percents.h"
#include "frontends/cli/presenter.h"

namespace rlq::cli {

class JsonPresenter final : public Presenter {
  public:
    explicit JsonPresenter(std::FILE* out) : m_out(out) {}

    void LeftoverAddressRemoved(const std::string& interfaceName) override;
    void SearchStarted(Unit unit) override;
    void SearchDiagnosed(Unit unit, const SearchDiagnosis& diagnosis) override;
    void SearchEnded(Unit unit, Ipv4 unitAddress, std::uint16_t version,
                     bool viaTempAddress) override;
    void VersionShown(Unit unit, std::uint16_t unitVersion, std::uint16_t carried) override;
    void UnitAddressShown(Unit unit, Ipv4 address) override;
    void Progress(Unit unit, std::uint32_t done, std::uint32_t total) override;
    void MessageShown(int textId, std::string_view caption, std::string_view text) override;
    void Offered(OfferedButton button) override;

    void UnitChecked(Unit unit, Ipv4 address, std::uint16_t version, std::uint16_t carried,
                     bool current) override;
    void ProgramEnded(int status, std::string_view outcome) override;

  private:
    void Write(const JsonLine& line);

    std::FILE* m_out;
    BarPercents m_bars;
    std::optional<SearchDiagnosis> m_diagnosis;  // told just before the search's end
};

}  // namespace rlq::cli
