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
    rlq_wine_japanese_fonts
    wineserver --wait || true
fi
# A client that connects just as the prefix's server shuts down (the last program of a parallel
# test run has ended) is turned away before the program starts: "wine client error: ...
# Connection reset by peer". That start is made again, once; the program's own outcome counts.
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
for attempt in 1 2; do
    status=0
    "$rlq_wine" "$@" 2>"$errors" || status=$?
    cat "$errors" >&2
    if [[ $status -eq 0 || $attempt -eq 2 ]] || ! grep -q '^wine client error:' "$errors"; then
        break
    fi
done
exit "$status"
