#!/usr/bin/env bash
# The Windows program end to end under Wine: an X display (Xvfb) for its windows, then each
# scenario in a Wine prefix of its own and in fresh namespaces (with-netns.sh, e2e-scenario.sh).
#   [WINEARCH=win64] e2e.sh BUILD_DIR UNIT_SIM [SCENARIO...]
# Screenshots go to BUILD_DIR/artifacts/. Exit status 77 when not root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
sim=$2
shift 2
scenarios=("$@")
[[ ${#scenarios[@]} -gt 0 ]] || scenarios=(normal web-never-answers temp-address-refused main-no-reply main-foreign-reply)
[[ $(id -u) -eq 0 ]] || { echo "e2e.sh: needs root" >&2; exit 77; }
[[ -x $sim ]] || { echo "e2e.sh: no simulated unit at $sim (build the linux preset)" >&2; exit 77; }

# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$here/../e2e/lib.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [[ -n $xvfb_pid ]] && kill -TERM "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
start_xvfb "$work/xvfb" || { echo "e2e.sh: Xvfb did not start" >&2; exit 1; }

# One prepared prefix, made by the first scenario that needs it while the others wait; each
# scenario then runs in a copy of its own, with a server of its own, beside the others.
template=$build/wine-e2e
(
    flock 9
    if [[ ! -f $template/system.reg ]]; then
        export WINEPREFIX=$template
        "$rlq_wine" wineboot --init >/dev/null 2>&1 || true
        rlq_wine_japanese_fonts
        # No server of a prefix may run outside the namespaces.
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
) 9>"$template.lock"

# A prefix of a scenario's own, about 1.3 GB as a copy: the folders of the system's libraries,
# which Wine only reads once the prefix is made, are hard links to the template's; the rest (the
# registry, the users' folders) is copied.
shared=(drive_c/windows/system32 drive_c/windows/syswow64 drive_c/windows/winsxs)
copy_prefix() {
    local from=$1 to=$2 excluded=() folder
    for folder in "${shared[@]}"; do excluded+=(--exclude="./$folder"); done
    mkdir -p "$to"
    tar -C "$from" "${excluded[@]}" -cf - . | tar -C "$to" -xf -
    for folder in "${shared[@]}"; do
        [[ ! -d $from/$folder ]] || cp -al "$from/$folder" "$to/$folder"
    done
}

status=0
for scenario in "${scenarios[@]}"; do
    export WINEPREFIX=$build/wine-e2e-$scenario
    rm -rf "$WINEPREFIX"
    copy_prefix "$template" "$WINEPREFIX"
    "$here/../netns/with-netns.sh" --pc-addr "$(
        [[ $scenario == temp-address-refused ]] && echo 192.168.77.10/24 || echo 10.0.0.10/8)" \
        --time-limit 240 -- \
        "$here/e2e-scenario.sh" "$build/bin/RLQ610ATotalUpdater.exe" "$sim" "$build/artifacts" \
        "$scenario" || status=1
    rm -rf "$WINEPREFIX"  # the run's log and screenshots are in the artifacts
done
exit $status
