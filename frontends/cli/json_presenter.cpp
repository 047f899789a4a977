#include "frontends/cli/json_presenter.h"

#include "common/ipv4.h"
#include "common/temp_address.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "net/reply.h"

namespace rlq::cli {
namespace {}  // namespace

void JsonPresenter::Write(const JsonLine& line) {
    std::fprintf(m_out, "%s\n", line.Text().c_str());
    std::fflush(m_out);
}

void JsonPresenter::LeftoverAddressRemoved(const std::string& interfaceName) {
    Write(JsonLine("leftover-removed")
              .String("address", kTempAddressText)
              .String("interface", interfaceName));
}

void JsonPresenter::SearchStarted(Unit unit) {
    Write(JsonLine("search-start").String("unit", UnitName(unit)));
}

void JsonPresenter::SearchEnded(Unit unit, Ipv4 unitAddress, std::uint16_t version,
                                bool viaTempAddress) {
    JsonLine line("search-end");
    line.String("unit", UnitName(unit)).Bool("found", unitAddress != Ipv4{});
    if (unitAddress != Ipv4{}) {
        line.String("address", FormatIpv4(unitAddress))
            .String("version", FormatVersion(version))
            .Bool("temp_address", viaTempAddress);
    } else if (m_diagnosis) {
        line.String("cause", NotFoundCauseCode(m_diagnosis->cause));
        if (const std::string detail = DiagnosisDetail(*m_diagnosis); !detail.empty()) {
            line.String("detail", detail);
        }
        std::vector<JsonLine> adapters;
        for (const AdapterSearched& adapter : m_diagnosis->adapters) {
            std::vector<std::string> addresses;
            for (const MaskedAddress& address : adapter.addresses) {
                addresses.emplace_back(PrefixText(address).View());
            }
            adapters.push_back(JsonLine()
                                   .String("name", adapter.name)
                                   .Bool("link", adapter.link)
                                   .Strings("addresses", addresses)
                                   .Number("sent", adapter.sent)
                                   .Number("replies", adapter.replies)
                                   .Number("rejected", adapter.rejected));
        }
        line.Objects("adapters", adapters);
    }
    m_diagnosis.reset();
    Write(line);
}

void JsonPresenter::SearchDiagnosed(Unit, const SearchDiagnosis& diagnosis) {
    m_diagnosis = diagnosis;
}

void JsonPresenter::VersionShown(Unit unit, std::uint16_t unitVersion, std::uint16_t carried) {
    Write(JsonLine("version")
              .String("unit", UnitName(unit))
              .String("text", VersionChangeText(unitVersion, carried)));
}

void JsonPresenter::UnitAddressShown(Unit, Ipv4 address) {
    Write(JsonLine("address").String("address", FormatIpv4(address)));
}

void JsonPresenter::Progress(Unit unit, std::uint32_t done, std::uint32_t total) {
    if (const auto bar = m_bars.Take(unit, done, total)) {
        Write(JsonLine("progress")
                  .String("unit", UnitName(bar->unit))
                  .Number("percent", bar->percent));
    }
}

void JsonPresenter::MessageShown(int, std::string_view caption, std::string_view text) {
    Write(JsonLine("message").String("caption", caption).String("text", text));
}

void JsonPresenter::Offered(OfferedButton button) {
    Write(JsonLine("offer").String("button",
                                   button == OfferedButton::Retry ? "retry" : "special-mode"));
}

void JsonPresenter::UnitChecked(Unit unit, Ipv4 address, std::uint16_t version,
                                std::uint16_t carried, bool current) {
    Write(JsonLine("check")
              .String("unit", UnitName(unit))
              .String("address", FormatIpv4(address))
              .String("version", FormatVersion(version))
              .String("carried", FormatVersion(carried))
              .Bool("current", current));
}

void JsonPresenter::ProgramEnded(int status, std::string_view outcome) {
    Write(JsonLine("status").Number("status", status).String("outcome", outcome));
}

}  // namespace rlq::cli
