#include "frontends/cli/options.h"

namespace rlq::cli {
namespace {

constexpr std::string_view kHelp =
    R"(Usage: rlq-updater-cli [--json] [--special-mode] [-v]
       rlq-updater-cli --check [--json] [-v]
       rlq-updater-cli --history [--json]
       rlq-updater-cli --help | --version

Finds the RLQ-610A main unit and its sub unit on the LAN and updates both to the
carried firmware (sub unit first). Needs CAP_NET_ADMIN: it adds and removes the
temporary address 10.10.1.1/8 while it searches and updates.

Options:
  --check         search both units as an update does, report each unit's
                  address and version beside the carried one, update nothing;
                  run it after the power cycle to confirm the update
  --json          write one JSON object per line to stdout instead of text
  --special-mode  start in the special mode (after the main unit was switched
                  off and on): the sub unit is updated at 10.255.255.237
  --history       print the runs of this user's history, oldest first: a table,
                  or with --json the JSON lines (time, program, mode, outcome,
                  status, cause, units: address, version, carried; duration_s)
  -v, --verbose   also print the run log's lines on stderr
  --help          print this help and exit
  --version       print the program version and the carried firmware versions

Exit status:
  0   both units updated, or (--check) both current
  1   the run ended with the retry offered: a unit not found or an update
      failed; also no rights, another copy running or start-up failed
  2   the run ended with the retry and the special mode offered
  3   --check: both units found, at least one needs the update
  64  the command line was not understood
  128+N  ended by signal N (143: SIGTERM), temporary address and file removed

Every run leaves a log, one file per run (run-<UTC start>.log, the newest 20
kept), and a line in history.jsonl (the newest 1000 kept), in
$XDG_STATE_HOME/rlq-updater (by default ~/.local/state/rlq-updater); send them
when you ask for help. They never hold the firmware. A log that cannot be
written is told once on stderr and never stops the update.

When a search ends without its unit, the output names the cause and one line
per adapter (name, link, addresses, requests sent, replies). The causes:
  no-reply              requests went out, nothing came back: the unit is off,
                        on another LAN, or still starting (on Windows another
                        maker's firewall is named: allow the program there)
  no-link               no Ethernet adapter has a link: cable out, or the unit
                        or the switch is off
  no-ethernet           no Ethernet adapter (Wi-Fi is not searched)
  no-address            an Ethernet adapter has a link but no IPv4 address, or
                        only a link-local one: DHCP gave none
  reply-blocked         the units' replies reached the adapter but not this
                        program: a firewall; allow UDP port 12104 in. On
                        Windows the firewall's blocking rule or profile is
                        named
  port-in-use           another program holds UDP port 12104 (named where the
                        system tells): close it
  foreign-reply         a device answered with a reply this updater does not
                        take (its format or kind is named): not a unit of this
                        product, or one that needs a newer updater
  sub-silent            the main unit answered, its sub unit did not answer
                        through 10.10.1.1: wait a minute after power-on, retry
  temp-address-refused  10.10.1.1/8 could not be added (say where it already is)
  route-conflict        another interface routes part of 10.0.0.0/8 more
                        specifically (a VPN, a container bridge): disconnect it
  no-rights             no rights for the temporary address
  temp-address-in-subnet
                        the adapter's own subnet holds 10.10.1.1, so it was not
                        added: change the PC's address for the update, or use
                        a PC on another LAN
  send-refused          this PC refused to send the requests (the error is
                        named): allow outgoing UDP to port 12103 in its firewall

JSON lines (--json), each with "event" first:
  leftover-removed  address, interface      at the start: 10.10.1.1/8 that a
                                            killed run had left was removed
  search-start  unit                        a search begins; unit: the kind
                                            searched for, "main" or "sub"
  search-end    unit, found, address, version, temp_address
                found false: cause, detail (where the cause names something),
                adapters: [{name, link, addresses, sent, replies, rejected}]
  version       unit, text                  the version beside the carried one
  address       address                     the unit being updated
  progress      unit, percent               at most one line per percent
  message       caption, text               a message box (answered with OK)
  offer         button                      "retry" or "special-mode"
  check         unit, address, version, carried, current   (--check)
  status        status, outcome             the last line: the exit status and
                "done", "current", "update-needed", "retry-offered",
                "special-mode-offered" or "not-started"
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
        } else if (argument == "--check") {
            options.check = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--history") {
            options.history = true;
        } else if (argument == "-v" || argument == "--verbose") {
            options.verbose = true;
        } else {
            parsed.error = "unknown option '" + std::string(argument) + "'";
            return parsed;
        }
    }
    if (options.check && options.specialMode) {
        // The special mode does not search the sub unit, so there is nothing to check.
        parsed.error = "--check and --special-mode cannot be combined";
    } else if (options.history && (options.check || options.specialMode)) {
        parsed.error = "--history combines with --json alone";
    }
    return parsed;
}

std::string_view HelpText() {
    return kHelp;
}

}  // namespace rlq::cli
