#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix for its architecture (made on
# first use), with Wine's own chatter off. The builds use it as the cross-compiling emulator.
#   wine-run.sh win32|win64 program.exe [args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEARCH=$1
shift
# shellcheck source=wine-env.sh
source "$root/tests/win32/wine-env.sh"
case $WINEARCH in
    win32) default_prefix=$root/build/windows/wine ;;
    win64) default_prefix=$root/build/windows-x86_64/wine ;;
esac
export WINEPREFIX=${RLQ_WINEPREFIX:-$default_prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and the prefix set-up would offer to fetch them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    "$rlq_wine" wineboot --init >/dev/null 2>&1 || true
    wineserver --wait || true
fi
exec "$rlq_wine" "$@"
