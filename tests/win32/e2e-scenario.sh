#!/usr/bin/env bash
# One end-to-end scenario of RLQ610ATotalUpdater.exe under Wine against rlq-unit-sim, inside
# with-netns.sh. A driver answers the program's windows with xdotool on the X display in
# $DISPLAY (made by e2e.sh) and saves screenshots.
#   e2e-scenario.sh EXE SIM ARTIFACTS SCENARIO
# Wine's sockets and IP Helper live in its wineserver, so the prefix's server is started inside
# the PC namespace and nowhere else.
set -euo pipefail
: "${RLQ_NS_PC:?run inside with-netns.sh}"
: "${DISPLAY:?needs an X display}"
exe=$1
sim=$2
artifacts=$3
scenario=$4
# shellcheck source=wine-env.sh
source "$(dirname "$0")/wine-env.sh"
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"

old=(--main-version 1.30 --sub-version 1.00)
main_addr=$RLQ_MAIN_ADDR/$RLQ_MAIN_PREFIX
expect_status=0
expect_ended="status 0 (done)"  # how the run's log says it ended
expect_windows=()   # titles that must appear, in order; each is answered when it does
expect_sim=()       # patterns the simulator's log must hold
count_sim=()        # "PATTERN=N"
reject_sim=()
ordered_sim=()      # patterns that must appear in the simulator's log in this order
close_at_end=0      # the run ends with the window open: close it as the user would
shot_during=""      # "PATTERN=N": a screenshot once the simulator's log holds PATTERN N times
second_copy=0       # start a second copy while the first runs
timed=()            # (PATTERN MIN MAX): seconds from PATTERN's first line to the first window
attempts=()         # (PATTERN MAX SECONDS): a request of 1 to MAX attempts, each PATTERN, SECONDS
                    # apart: the first window comes 5 s before to 15 s after their sum
shot_after=0.5      # seconds from a window's appearance to its screenshot
open_records=0      # at the end, the Help menu's item opens the folder of the run's records
case $scenario in
    normal)
        # The PC and both units in 10.0.0.0/8: both are found on the adapter's own subnet.
        main_addr=10.0.0.20/8
        expect_windows=("アップデート完了")
        expect_sim=("main unit: received 655360 bytes, matches"
                    "sub unit: received 236986 bytes, matches")
        count_sim=("POST /update HTTP=32" "POST /update_reset=1" "tftp: write request=1")
        ordered_sim=("tftp: transfer complete" "POST /update HTTP")
        shot_during="POST /update HTTP=16"
        second_copy=1
        ;;
    web-never-answers)
        # Both units on the adapter's own subnet; the sub unit's reset is never answered. Each
        # attempt is given up after 12 s, four in all with the pauses (about 50 s), then the
        # failure is shown and the retry and the special mode are offered. WinINet's own 12 s
        # time-out comes as the watch does, and when it comes first the request ends at that
        # attempt. (A send that waited past the close is caught by WinINetLayerTest.)
        main_addr=10.0.0.20/8
        old+=(--web-fault never-answer)
        expect_windows=("アップデート失敗")
        attempts=("POST /update_reset" 4 12.5)
        reject_sim=("tftp:")
        expect_ended="status 2 (special-mode-offered)"
        close_at_end=1
        ;;
    temp-address-refused)
        # The sub unit is only reachable through 10.10.1.1, which Wine cannot add: the search
        # skips the adapter, the dialog reports the sub unit missing, retry and special mode
        # are offered, nothing is updated.
        expect_windows=("メインユニットに内蔵されているサブユニットが見つかりませんでした。")
        reject_sim=("web:" "tftp:")
        expect_ended="status 2 (special-mode-offered)"
        close_at_end=1
        ;;
    main-no-reply | main-foreign-reply)
        # Nothing answers, or the main unit answers in a format this updater does not take: the
        # not-found dialog, shot once the looks at the host have ended (within 3 s). With no
        # reply it looks as it always did; with a foreign one it grows by the cause.
        main_addr=10.0.0.20/8
        if [[ $scenario == main-no-reply ]]; then
            old+=(--main-silent)
            open_records=1
        else
            old+=(--main-reply-format 0200)
        fi
        expect_windows=("メインユニットが見つかりませんでした。")
        shot_after=3.5
        reject_sim=("web:" "tftp:")
        expect_ended="status 1 (retry-offered)"
        close_at_end=1
        ;;
    *)
        echo "unknown scenario $scenario" >&2
        exit 2
        ;;
esac

work=$(mktemp -d)
sim_pid=""
exe_pid=""
cleanup() {
    [[ -n $exe_pid ]] && kill -TERM "$exe_pid" 2>/dev/null
    [[ -n $sim_pid ]] && kill -TERM "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    ip netns exec "$RLQ_NS_PC" env WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$artifacts"
rm -f "$artifacts/$scenario"-*.png
cp "$exe" "$work/"
if [[ $main_addr != "$RLQ_MAIN_ADDR/$RLQ_MAIN_PREFIX" ]]; then
    ip -n "$RLQ_NS_UNIT" addr add "$main_addr" brd + dev "$RLQ_UNIT_IF"
fi

# The run's records, in the prefix's %LOCALAPPDATA%: only what is newer than this mark is this run's.
touch "$work/started"

ip netns exec "$RLQ_NS_UNIT" "$sim" --main-addr "$main_addr" \
    --sub-addr "$RLQ_SUB_ADDR/$RLQ_SUB_PREFIX" --special-addr "$RLQ_SPECIAL_ADDR" \
    "${old[@]}" >"$work/sim.log" 2>&1 &
sim_pid=$!
await_line "$work/sim.log" '^ready' 5 || true


# The program's folder is a private copy, so its temporary file can be looked for afterwards.
# No proxy: the units are addressed directly.
ip netns exec "$RLQ_NS_PC" env -u http_proxy -u https_proxy -u HTTP_PROXY -u no_proxy \
    WINEDEBUG="${RLQ_E2E_WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX="$WINEPREFIX" \
    "$rlq_wine" "$work/$(basename "$exe")" >"$work/wine.log" 2>&1 &
exe_pid=$!

shots=0
shot() {
    shots=$((shots + 1))
    import -window root "$artifacts/$scenario-$shots-$1.png" 2>/dev/null || true
}
press() {
    [[ -z ${RLQ_E2E_VERBOSE:-} ]] || echo "press $1 $2 (focus $(xdotool getwindowfocus 2>/dev/null))"
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    sleep 0.3  # Wine takes the focus change before it takes keys for the window
    xdotool key --clearmodifiers "$2"
}

main_window=$(await_window "RLQ-610A firmware updater" 60 "$exe_pid") || fail "main window did not appear"
if [[ $second_copy -eq 1 ]]; then
    # A second start while the first runs ends at once, silently, with status 1.
    second_status=0
    ip netns exec "$RLQ_NS_PC" env WINEDEBUG=-all WINEPREFIX="$WINEPREFIX" \
        timeout 20 "$rlq_wine" "$work/$(basename "$exe")" >/dev/null 2>&1 || second_status=$?
    [[ $second_status -eq 1 ]] || fail "second copy ended with $second_status, expected 1"
    [[ $(xdotool search --onlyvisible --name "^RLQ-610A firmware updater\$" | wc -l) -eq 1 ]] ||
        fail "the second copy opened a window"
fi
if [[ -n $shot_during ]]; then
    # A picture of the run in progress, once the simulator has seen this much.
    for _ in $(seq 600); do
        [[ $(grep -cF -- "${shot_during%=*}" "$work/sim.log" || true) -ge ${shot_during##*=} ]] &&
            { shot progress; break; }
        sleep 0.05
    done
fi
timed_from=""
[[ ${#attempts[@]} -eq 0 ]] || timed=("${attempts[0]}")
if [[ ${#timed[@]} -gt 0 ]]; then
    for _ in $(seq 1200); do
        grep -qF -- "${timed[0]}" "$work/sim.log" && { timed_from=$(date +%s); break; }
        sleep 0.05
    done
    [[ -n $timed_from ]] || fail "simulator log lacks \"${timed[0]}\""
fi
for title in "${expect_windows[@]}"; do
    if id=$(await_window "$title" 150 "$exe_pid"); then
        if [[ -n $timed_from ]]; then
            took=$(($(date +%s) - timed_from))
            if [[ ${#attempts[@]} -gt 0 ]]; then
                made=$(grep -cF -- "${attempts[0]}" "$work/sim.log" || true)
                [[ $made -ge 1 && $made -le ${attempts[1]} ]] ||
                    fail "simulator log holds \"${attempts[0]}\" $made times, not 1 to ${attempts[1]}"
                read -r low high < <(awk -v n="$made" -v s="${attempts[2]}" \
                    'BEGIN { printf "%d %d\n", n * s - 5, n * s + 15 }')
                timed+=("$low" "$high")
            fi
            [[ $took -ge ${timed[1]} && $took -le ${timed[2]} ]] ||
                fail "\"$title\" came ${took} s after \"${timed[0]}\", not ${timed[1]} to ${timed[2]} s"
            timed_from=""
        fi
        sleep "$shot_after"
        shot window
        # A message box takes Return (OK), the search dialog Esc (its button). Wine may drop a
        # key that comes with the focus change, so press again until the window is gone.
        for key in Return Escape Return Escape; do
            press "$id" "$key"
            for _ in $(seq 10); do
                [[ -z $(window_of "$title") ]] && break 2
                sleep 0.1
            done
        done
        [[ -z $(window_of "$title") ]] || fail "window \"$title\" took no key"
    else
        fail "no window \"$title\""
        shot missing
    fi
done
if [[ $open_records -eq 1 && -n ${main_window:-} ]]; then
    sleep 1
    press "$main_window" alt+h
    sleep 0.5
    shot help-menu
    xdotool key --clearmodifiers l
    if folder=$(await_window "RLQ610ATotalUpdater" 20 "$exe_pid"); then
        sleep 1
        shot record-folder
        for _ in 1 2 3; do
            [[ -z $(window_of "RLQ610ATotalUpdater") ]] && break
            press "$folder" alt+F4
            sleep 1
        done
        [[ -z $(window_of "RLQ610ATotalUpdater") ]] || fail "the record folder's window took no alt+F4"
    else
        fail "the Help menu's item opened no window on the record folder"
        shot no-record-folder
    fi
fi
if [[ $close_at_end -eq 1 && -n ${main_window:-} ]]; then
    sleep 1
    shot end
    press "$main_window" alt+F4
fi

status=0
for _ in $(seq 150); do kill -0 "$exe_pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$exe_pid" 2>/dev/null; then
    fail "the program did not end"
    shot stuck
    kill -TERM "$exe_pid" 2>/dev/null || true
fi
wait "$exe_pid" || status=$?
exe_pid=""
[[ $status -eq $expect_status ]] || fail "exit status $status, expected $expect_status"

# A power cycle makes the simulator judge what each unit received.
kill -HUP "$sim_pid"
await_line "$work/sim.log" '^powered on' 2 || fail "the simulator did not end its power cycle"
ip netns exec "$RLQ_NS_PC" ip -4 addr show | grep -q '10\.10\.1\.1/' &&
    fail "the temporary address was left on the adapter"
compgen -G "$work/.rlq-*.tmp" >/dev/null && fail "the temporary file was left"
records=$(find "$WINEPREFIX/drive_c/users" -type d -name RLQ610ATotalUpdater -print -quit)
if [[ -z $records ]]; then
    fail "no record folder in %LOCALAPPDATA%"
else
    logs=$(find "$records" -name 'run-*.log' -newer "$work/started")
    # shellcheck disable=SC2086 # the names have no blanks
    [[ -n $logs ]] && grep -q "program-end $expect_ended" $logs ||
        fail "no log of this run that ended with $expect_ended"
    [[ $(find "$records" -name history.jsonl -newer "$work/started" | wc -l) -eq 1 ]] ||
        fail "the history has no entry of this run"
    # shellcheck disable=SC2086
    [[ -z $logs ]] || cp $logs "$artifacts/"
fi
for pattern in "${expect_sim[@]}"; do
    grep -qF -- "$pattern" "$work/sim.log" || fail "simulator log lacks \"$pattern\""
done
for entry in "${count_sim[@]}"; do
    pattern=${entry%=*}
    want=${entry##*=}
    got=$(grep -cF -- "$pattern" "$work/sim.log" || true)
    [[ $got -eq $want ]] || fail "simulator log holds \"$pattern\" $got times, expected $want"
done
for pattern in "${reject_sim[@]}"; do
    grep -qF -- "$pattern" "$work/sim.log" && fail "simulator log holds \"$pattern\""
done
last=0
for pattern in "${ordered_sim[@]}"; do
    line=$(grep -nF -- "$pattern" "$work/sim.log" | head -1 | cut -d: -f1 || true)
    if [[ -z $line || $line -le $last ]]; then
        fail "\"$pattern\" is not where the order puts it"
    else
        last=$line
    fi
done

if [[ $failures -gt 0 || -n ${RLQ_E2E_VERBOSE:-} ]]; then
    echo "---- simulator log"
    cat "$work/sim.log"
    echo "---- wine output"
    tail -40 "$work/wine.log"
fi
[[ $failures -eq 0 ]] || exit 1
echo "e2e.win32.$scenario: passed"
