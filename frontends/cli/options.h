#pragma once
// The console tool's command line.

#include <span>
#include <string>
#include <string_view>

namespace rlq::cli {

struct Options {
    bool help = false;
    bool version = false;
    bool check = false;
    bool json = false;
    bool specialMode = false;
    bool history = false;
    bool verbose = false;  // the run log's lines on stderr too
};

struct ParsedOptions {
    Options options;
    std::string error;  // empty when the command line was understood
};

ParsedOptions ParseOptions(std::span<const char* const> arguments);

// The text of --help.
std::string_view HelpText();

}  // namespace rlq::cli
