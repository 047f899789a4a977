#include "frontends/cli/json_presenter.h"

#include "common/ipv4.h"
#include "common/temp_address.h"
#include "firmware/image_format.h"
#include "firmware/slots.h"
#include "net/reply.h"
#include "resources/resource_ids.h"

namespace rlq::cli {
namespace {

using Kind = platform::UiEvent::Kind;
constexpr const char* kSlotUnit[kSlotCount] = {"main", "sub"};

std::string_view UnitOfSearch(std::int32_t kind) {
    return kind == SEARCH_MAIN  ? kSlotUnit[kMainSlot]
           : kind == SEARCH_SUB ? kSlotUnit[kSubSlot]
                                : "other";
}

}  // namespace

void JsonPresenter::Write(const JsonLine& line) {
    std::fprintf(m_out, "%s\n", line.Text().c_str());
    std::fflush(m_out);
}

void JsonPresenter::LeftoverAddressRemoved(const std::string& interfaceName) {
    Write(JsonLine("leftover-removed")
              .String("address", kTempAddressText)
              .String("interface", interfaceName));
}

void JsonPresenter::SearchStarted(std::int32_t kind) {
    Write(JsonLine("search-start").String("unit", UnitOfSearch(kind)));
}

void JsonPresenter::SearchEnded(std::int32_t kind, const UnitSlot& found) {
    JsonLine line("search-end");
    line.String("unit", UnitOfSearch(kind)).Bool("found", found.unitAddress != 0);
    if (found.unitAddress != 0) {
        line.String("address", FormatIpv4(found.unitAddress))
            .String("version", FormatVersion(found.version))
            .Bool("temp_address", found.viaTempAddress != 0);
    }
    Write(line);
}

void JsonPresenter::ShowChecked(int slot, const UnitSlot& unit, std::uint16_t carried,
                                bool current) {
    Write(JsonLine("check")
              .String("unit", kSlotUnit[slot])
              .String("address", FormatIpv4(unit.unitAddress))
              .String("version", FormatVersion(unit.version))
              .String("carried", FormatVersion(carried))
              .Bool("current", current));
}

void JsonPresenter::Finish(int status, std::string_view outcome) {
    Write(JsonLine("status").Number("status", status).String("outcome", outcome));
}

void JsonPresenter::Show(const platform::UiEvent& event) {
    if (const auto bar = m_bars.Take(event)) {
        Write(JsonLine("progress")
                  .String("unit", kSlotUnit[bar->slot])
                  .Number("percent", bar->percent));
        return;
    }
    if (event.window != "main") {
        return;  // the search dialog: its start and outcome come from SearchStarted/SearchEnded
    }
    switch (event.kind) {
        case Kind::Text:
            if (event.text.empty()) {
                break;
            }
            if (event.control == res::kIpAddressEdit) {
                Write(JsonLine("address").String("address", event.text));
            } else if (event.control == res::kMainVersionText ||
                       event.control == res::kSubVersionText) {
                const int slot = event.control == res::kMainVersionText ? kMainSlot : kSubSlot;
                Write(
                    JsonLine("version").String("unit", kSlotUnit[slot]).String("text", event.text));
            }
            break;
        case Kind::Shown:
            if (event.control == res::kRetryButton) {
                Write(JsonLine("offer").String("button", "retry"));
            } else if (event.control == res::kSpecialModeButton) {
                Write(JsonLine("offer").String("button", "special-mode"));
            }
            break;
        case Kind::Message:
            Write(JsonLine("message").String("caption", event.caption).String("text", event.text));
            break;
        default:
            break;
    }
}

}  // namespace rlq::cli
