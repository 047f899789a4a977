// The simulated web interface's request-head parser, fed any bytes as the head.

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "tools/unit-sim/sim_http_request.h"

namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool Trimmed(std::string_view text) {
    return text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view head(reinterpret_cast<const char*>(data), size);
    const auto request = rlq::sim::ParseSimHttpHead(head);
    const std::string_view requestLine = head.substr(0, head.find("\r\n"));
    if (!request) {
        FUZZ_CHECK(std::count(requestLine.begin(), requestLine.end(), ' ') < 2);
        return 0;
    }

    // The request line splits at its first and its last space.
    FUZZ_CHECK(request->method + ' ' + request->path + ' ' + request->version == requestLine);
    FUZZ_CHECK(request->method.find(' ') == std::string::npos);
    FUZZ_CHECK(request->version.find(' ') == std::string::npos);
    FUZZ_CHECK(request->body.empty());

    // Each header is found by its name in any case, as the first one of that name.
    const auto& headers = request->headers;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const std::string& name = headers[i].first;
        const std::string& value = headers[i].second;
        FUZZ_CHECK(name.find(':') == std::string::npos && name.find("\r\n") == std::string::npos);
        FUZZ_CHECK(value.find("\r\n") == std::string::npos);
        FUZZ_CHECK(Trimmed(name) && Trimmed(value));
        const auto first = std::find_if(headers.begin(), headers.end(), [&](const auto& header) {
            return SameNoCase(header.first, name);
        });
        FUZZ_CHECK(request->Header(name) == first->second);
    }
    return 0;
}
