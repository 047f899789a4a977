#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own 32-bit prefix (made on first use), with
# Wine's own chatter off. The build uses it as the cross-compiling emulator.
#   wine-run.sh program.exe [args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${RLQ_WINEPREFIX:-$root/build/windows/wine}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and the prefix set-up would offer to fetch them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver --wait || true
fi
exec wine "$@"
