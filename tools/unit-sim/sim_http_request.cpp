#include "tools/unit-sim/sim_http_request.h"

#include <algorithm>
#include <cctype>

namespace rlq::sim {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view NextLine(std::string_view& text) {
    const auto end = text.find("\r\n");
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
    return line;
}

}  // namespace

std::optional<std::string> SimHttpRequest::Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (EqualNoCase(key, name)) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<SimHttpRequest> ParseSimHttpHead(std::string_view head) {
    std::string_view requestLine = NextLine(head);
    const auto firstSpace = requestLine.find(' ');
    const auto lastSpace = requestLine.rfind(' ');
    if (firstSpace == std::string_view::npos || lastSpace == firstSpace) {
        return std::nullopt;
    }
    SimHttpRequest request;
    request.method = requestLine.substr(0, firstSpace);
    request.path = requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    request.version = requestLine.substr(lastSpace + 1);
    while (!head.empty()) {
        const std::string_view line = NextLine(head);
        const auto colon = line.find(':');
        if (line.empty() || colon == std::string_view::npos) {
            continue;
        }
        request.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
    return request;
}

}  // namespace rlq::sim
