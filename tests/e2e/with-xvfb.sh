#!/usr/bin/env bash
# Runs a command with an X server of its own, which ends with it.
#   with-xvfb.sh command [args...]
# Exit status: the command's; 1 when the server does not start.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
xvfb_pid=""
end_xvfb() {
    [[ -z $xvfb_pid ]] || { kill -TERM "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
    rm -rf "$work"
}
trap end_xvfb EXIT
start_xvfb "$work/xvfb" || { echo "with-xvfb.sh: Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; }
status=0
"$@" || status=$?
exit "$status"
