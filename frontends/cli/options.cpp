#include "frontends/cli/options.h"

namespace rlq::cli {
namespace {

constexpr std::string_view kHelp =
    R"(Usage: rlq-updater-cli [--special-mode]
       rlq-updater-cli --help | --version

Finds the RLQ-610A main unit and its sub unit on the LAN and updates both to the
carried firmware (sub unit first). Needs CAP_NET_ADMIN: it adds and removes the
temporary address 10.10.1.1/8 while it searches and updates.

Options:
  --special-mode  start in the special mode (after the main unit was switched
                  off and on): the sub unit is updated at 10.255.255.237
  --help          print this help and exit
  --version       print the program version and the carried firmware versions

Exit status:
  0   both units updated, or already current
  1   the run ended with the retry offered (also: no rights, start-up failed)
  2   the run ended with the retry and the special mode offered
  64  the command line was not understood
)";

}  // namespace

ParsedOptions ParseOptions(std::span<const char* const> arguments) {
    ParsedOptions parsed;
    Options& options = parsed.options;
    for (const std::string_view argument : arguments) {
        if (argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--special-mode") {
            options.specialMode = true;
        } else {
            parsed.error = "unknown option '" + std::string(argument) + "'";
            return parsed;
        }
    }
    return parsed;
}

std::string_view HelpText() {
    return kHelp;
}

}  // namespace rlq::cli
