#!/usr/bin/env bash
# One end-to-end scenario of rlq-updater on an X server of its own (Xvfb), in the PC namespace of
# with-netns.sh with rlq-unit-sim beside it (run-with-unit-sim.sh). It runs as root, so the
# program changes the temporary address in process. xdotool plays the user (answers message
# boxes, presses keys); ImageMagick's import saves screenshots into ARTIFACTS.
#   gui-scenario.sh BIN_DIR SCENARIO ARTIFACTS
# Scenarios:
#   update         both units out of date: transfers, completion message, the program closes
#                  itself with status 0
#   sub-not-found  the sub unit is silent: the search dialog's not-found state, back with Enter,
#                  retry and special mode offered, then the menu's exit item ends the program
#   main-no-reply  the main unit is silent: the not-found dialog as it always was, once the looks
#                  at the host have ended; back with Enter, then the menu's exit item
#   main-foreign-reply  the main unit answers in a format this updater does not take: the
#                  not-found dialog grows by the cause and what to do
#   helper-as-user the update as an unprivileged user: the program has no CAP_NET_ADMIN and
#                  starts its copy of rlq-net-helper, which an administrator gave the file
#                  capability; nothing of the helper is left running afterwards
#   authorisation-refused  the same user without the file capability: pkexec cannot get an
#                  authorisation (no polkit agent here), so the start ends after its own
#                  message, before any window, with status 1
# Wherever the program waits for the user (the completion message, the search dialog's not-found
# state, retry and special mode offered) its CPU time over a few seconds is measured; more than
# 2 % of one core fails the scenario.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"
bin=$1
scenario=$2
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "gui-scenario.sh: $tool is missing" >&2; exit 77; }
done
artifacts=$3/$scenario
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png

main_title="RLQ-610A firmware updater"
sub_not_found_title="メインユニットに内蔵されているサブユニットが見つかりませんでした。"
main_not_found_title="メインユニットが見つかりませんでした。"
complete_title="アップデート完了"

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
finish() {
    local status=$?
    if [[ -n $app_pid ]]; then
        kill -TERM "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [[ -n $xvfb_pid ]]; then
        kill -TERM "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    echo "---- rlq-updater output"
    cat "$work/app.log" 2>/dev/null || true
    rm -rf "$work"
    exit "$status"
}
trap finish EXIT

# A fault after which the scenario cannot go on; on stderr, as it may end a command substitution.
give_up() {
    fail "$@" >&2
    exit 1
}

# CPU time (user + system, all threads) of the program so far, in clock ticks.
cpu_ticks() {
    [[ -r /proc/$app_pid/stat ]] || return 1
    sed 's/.*) //' "/proc/$app_pid/stat" | awk '{ print $12 + $13 }'
}

# While the program waits for the user in state $1, it must stay idle: over a few seconds it may
# use at most idle_cpu_limit percent of one core. Each state is measured; any over the limit
# fails the scenario at its end.
idle_cpu_limit=2
idle_seconds=3
busy_states=()
measure_idle() {
    local state=$1 before after percent
    local ended="rlq-updater ended while waiting for the user"
    before=$(cpu_ticks) || give_up "$ended"
    sleep "$idle_seconds"
    after=$(cpu_ticks) || give_up "$ended"
    percent=$(awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$idle_seconds" \
        'BEGIN { printf "%.1f", 100 * t / (hz * s) }')
    echo "CPU while waiting, $state: $percent % of one core"
    if awk -v p="$percent" -v l="$idle_cpu_limit" 'BEGIN { exit !(p > l) }'; then
        busy_states+=("$state ($percent %)")
    fi
}

# The program's window whose whole title is $1, waited for up to $2 seconds; prints its id.
wait_window() {
    await_window "$1" "$2" "$app_pid" || give_up "no window \"$1\" within ${2}s"
}

wait_gone() {
    local title=$1 seconds=$2
    for _ in $(seq $((seconds * 10))); do
        [[ -z $(window_of "$title") ]] && return 0
        sleep 0.1
    done
    fail "window \"$title\" still there after ${seconds}s"
}

shot() {
    import -window "$1" "$artifacts/$2.png" || fail "screenshot $2 failed"
}

# Keys to a window: focus it first, as there is no window manager to do it.
keys() {
    local id=$1
    shift
    xdotool windowfocus --sync "$id"
    sleep 0.2
    xdotool key --clearmodifiers "$@"
}

wait_exit() {
    local seconds=$1 status=0
    for _ in $(seq $((seconds * 10))); do
        if ! kill -0 "$app_pid" 2>/dev/null; then
            wait "$app_pid" || status=$?
            app_pid=""
            return "$status"
        fi
        sleep 0.1
    done
    fail "rlq-updater still runs after ${seconds}s"
    return 1
}

start_xvfb "$work/xvfb" || give_up "Xvfb did not start"
export QT_QPA_PLATFORM=xcb

# The run's records go to a folder of the scenario's own.
export XDG_STATE_HOME=$work/state
launch=("$bin/rlq-updater")
if [[ $scenario == helper-as-user || $scenario == authorisation-refused ]]; then
    # A private copy of the program's folder, writable for the user (the temporary file goes
    # there), with the helper's file capability set as grant-helper-capability.sh sets it.
    run=$work/run
    mkdir "$run"
    cp "$bin/rlq-updater" "$bin/rlq-net-helper" "$run/"
    chown -R nobody "$run"  # before setcap: a change of owner clears file capabilities
    if [[ $scenario == helper-as-user ]]; then
        setcap cap_net_admin+ep "$run/rlq-net-helper" ||
            { echo "no file capabilities here" >&2; exit 77; }
    fi
    chmod 0755 "$work"
    launch=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all
            env HOME="$run" XDG_STATE_HOME="$run/state" "$run/rlq-updater")
fi
"${launch[@]}" >"$work/app.log" 2>&1 &
app_pid=$!
if [[ $scenario == authorisation-refused ]]; then
    box=$(wait_window "RLQUpdater" 20)
    sleep 0.3
    shot "$box" authorisation-refused
    [[ -z $(window_of "$main_title") ]] || fail "the main window opened without the rights"
    keys "$box" Return
    status=0
    wait_exit 10 || status=$?
    [[ $status -eq 1 ]] || fail "exit status $status after the refusal, not 1"
    ls "$artifacts"
    exit $((failures > 0))
fi
main=$(wait_window "$main_title" 20)

case $scenario in
    helper-as-user)
        grep -q '^CapEff:[[:space:]]*0*$' "/proc/$app_pid/status" ||
            fail "the program runs with capabilities: $(grep CapEff "/proc/$app_pid/status")"
        ;&
    update)
        # The searches end within a tick here; the main window is shot every half second
        # until the completion message comes, which covers both transfers.
        for n in $(seq -w 1 99); do
            [[ -n $(window_of "$complete_title") ]] && break
            kill -0 "$app_pid" 2>/dev/null || give_up "rlq-updater ended before the completion"
            shot "$main" "main-during-run-$n"
            sleep 0.5
        done
        box=$(wait_window "$complete_title" 60)
        sleep 0.3
        shot "$box" completion-message
        shot root completion-screen
        measure_idle "completion message"
        keys "$box" Return
        status=0
        wait_exit 10 || status=$?
        [[ $status -eq 0 ]] || fail "exit status $status after the completion, not 0"
        if [[ $scenario == helper-as-user ]] && pgrep -f "$run/rlq-net-helper" >/dev/null; then
            fail "rlq-net-helper still runs after the program"
        fi
        ;;
    sub-not-found | main-no-reply | main-foreign-reply)
        title=$sub_not_found_title
        [[ $scenario == sub-not-found ]] || title=$main_not_found_title
        dialog=$(wait_window "$title" 60)
        # The cause comes once the looks at the host (within 3 s) and the search's last pass have
        # ended: for the sub unit that pass runs on for up to 5 s after the dialog gave up.
        if [[ $scenario == sub-not-found ]]; then sleep 5.5; else sleep 3.5; fi
        shot "$dialog" search-not-found
        shot root search-not-found-screen
        height=$(xdotool getwindowgeometry "$dialog" | sed -n 's/.*Geometry: [0-9]*x//p')
        echo "not-found dialog height: $height px"
        measure_idle "search dialog not found"
        keys "$dialog" Return
        wait_gone "$title" 10
        sleep 0.5
        shot "$main" main-retry-offered
        measure_idle "retry and special mode offered"
        keys "$main" alt+f
        sleep 0.3
        xdotool key --clearmodifiers x
        status=0
        wait_exit 10 || status=$?
        [[ $status -eq 0 ]] || fail "exit status $status after the exit command, not 0"
        ;;
    *)
        give_up "unknown scenario"
        ;;
esac
# The run left its log and its history entry in the user's record folder.
case $scenario in
    update | helper-as-user) ended="status 0 (done)" ;;
    sub-not-found) ended="status 2 (special-mode-offered)" ;;
    main-*) ended="status 1 (retry-offered)" ;;
    *) ended="" ;;
esac
if [[ -n $ended ]]; then
    records=${run:-$work}/state/rlq-updater
    grep -q "program-end $ended" "$records"/run-*.log || fail "no log of a run that ended with $ended"
    grep -q "\"status\":${ended:7:1}," "$records/history.jsonl" || fail "no history entry"
    cp "$records"/run-*.log "$records/history.jsonl" "$artifacts/"
fi
ls "$artifacts"
[[ ${#busy_states[@]} -eq 0 ]] || fail "busy while waiting for the user: ${busy_states[*]}"
[[ $failures -eq 0 ]] || exit 1
