#!/usr/bin/env bash
# One end-to-end scenario of rlq-updater-cli against rlq-unit-sim, inside with-netns.sh.
#   cli-scenario.sh BIN_DIR SCENARIO
# The updater runs from a private copy of its folder, so that its temporary file can be looked
# for afterwards. Every scenario also checks that no 10.10.1.1 and no temporary file is left, and
# that the program's folder and TMPDIR hold at the end exactly what they held at the start.
set -euo pipefail
: "${RLQ_NS_PC:?run inside with-netns.sh}"
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
bin=$1
scenario=$2

sim_args=()
cli_args=()
expect_status=0
expect_out=()       # patterns the updater's output must hold
json_events=()      # --json: every output line is a JSON object, and these events are among them
expect_sim=()       # patterns the simulator's log must hold
count_sim=()        # "PATTERN=N": the simulator's log holds PATTERN exactly N times
reject_sim=()       # patterns the simulator's log must not hold
runs=1              # 2: a second run in the same namespaces
second_run=()       # the second run's updater arguments
second_status=0
second_sim=()       # when set, the simulator restarts with these arguments before the second run
kill_when=""        # a signal to the updater once the simulator's log shows this
kill_signal=TERM
kill_delay=0.1      # seconds between the log line and the signal
holds_address=0     # with SIGKILL: 10.10.1.1 is held when the signal comes
await_expiry=1      # with SIGKILL: the next run waits until the kernel has removed 10.10.1.1
updater_umask=022
second_copy_when="" # another copy, as another user, starts once the simulator's log shows this
pipe_to_head=0      # the updater's output goes through `head -1`, which closes it early
stall_stderr=0      # the updater's stderr is a pipe of 4 KiB that nobody reads during the run
vanish_when=""      # the unit's link goes down once the simulator's log shows this
temp_present=0      # 10.10.1.1/8 is on the PC's adapter before the run (someone else's)
extra_unit_addr=""  # another address on the unit side (a third host)
prepare=()          # commands run before the first run; they change only the test's namespaces
hold_port=0         # another program holds UDP 12104, where the replies arrive, in the PC namespace
squat_name=0        # another program holds the single-instance name in the PC namespace

old=(--main-version 1.30 --sub-version 1.00)
# A home LAN that a router gives part of 10.0.0.0/8: the PC at PC_CIDR and the main unit at
# MAIN_CIDR, the sub unit where it always is, elsewhere in 10/8.
home_lan() {
    prepare+=("ip -n \"\$RLQ_NS_PC\" addr flush dev \"\$RLQ_PC_IF\""
              "ip -n \"\$RLQ_NS_PC\" addr add $1 brd + dev \"\$RLQ_PC_IF\""
              "ip -n \"\$RLQ_NS_UNIT\" addr del \"\$RLQ_MAIN_ADDR/\$RLQ_MAIN_PREFIX\" dev \"\$RLQ_UNIT_IF\""
              "ip -n \"\$RLQ_NS_UNIT\" addr add $2 brd + dev \"\$RLQ_UNIT_IF\""
              "RLQ_MAIN_ADDR=${2%/*} RLQ_MAIN_PREFIX=${2#*/}")
}
# A firewall in the PC namespace that drops UDP to PORT at HOOK (input or output).
pc_firewall() {
    prepare+=("ip netns exec \"\$RLQ_NS_PC\" nft \"add table inet rlq; add chain inet rlq c \
        { type filter hook $1 priority 0; }; add rule inet rlq c udp dport $2 drop\"")
}
case $scenario in
    normal)
        sim_args=("${old[@]}")
        expect_out=("アップデート完了")
        expect_sim=("main unit: received 655360 bytes, matches" "sub unit: received 236986 bytes, matches")
        count_sim=("POST /update HTTP=32" "POST /update_reset=1" "tftp: write request=1")
        ;;
    current)
        sim_args=(--main-version 1.34 --sub-version 1.06)
        expect_out=("Ver.1.34→1.34" "Ver.1.06→1.06" "アップデート完了")
        reject_sim=("web:" "tftp:")
        ;;
    check-current)
        sim_args=(--main-version 1.34 --sub-version 1.06)
        cli_args=(--check)
        expect_out=("Main: 192.168.77.20  Ver.1.34→1.34  最新です"
                    "Sub:  10.1.2.3  Ver.1.06→1.06  最新です")
        reject_sim=("web:" "tftp:")
        ;;
    check-outdated)
        # The sub unit is found through the temporary address, which must be gone afterwards.
        sim_args=("${old[@]}")
        cli_args=(--check)
        expect_status=3
        expect_out=("Main: 192.168.77.20  Ver.1.30→1.34  アップデートが必要です"
                    "Sub:  10.1.2.3  Ver.1.00→1.06  アップデートが必要です")
        expect_sim=("discovery request from 10.10.1.1")
        reject_sim=("web:" "tftp:")
        ;;
    json-normal)
        sim_args=("${old[@]}")
        cli_args=(--json)
        json_events=(search-start search-end version address progress message status)
        expect_out=('{"event":"search-end","unit":"sub","found":true,"address":"10.1.2.3","version":"1.00","temp_address":true}'
                    '{"event":"progress","unit":"main","percent":100}'
                    '{"event":"message","caption":"アップデート完了"'
                    '{"event":"status","status":0,"outcome":"done"}')
        expect_sim=("main unit: received 655360 bytes, matches" "sub unit: received 236986 bytes, matches")
        ;;
    json-check-then-special-mode)
        sim_args=("${old[@]}" --sub-silent)
        cli_args=(--json --check)
        expect_status=2
        runs=2
        second_run=(--json --special-mode)
        json_events=(search-start search-end offer address progress message status)
        expect_out=('{"event":"search-end","unit":"sub","found":false,"cause":"sub-silent"'
                    '{"event":"offer","button":"special-mode"}'
                    '{"event":"status","status":2,"outcome":"special-mode-offered"}'
                    '{"event":"address","address":"10.255.255.237"}'
                    '{"event":"status","status":0,"outcome":"done"}')
        expect_sim=("sub unit: received 236986 bytes, matches")
        ;;
    chunk-refused)
        sim_args=("${old[@]}" --refuse-chunk 2:404)
        expect_status=1
        expect_out=("Status = 404" "→ 再試行")
        count_sim=("POST /update HTTP=3")
        ;;
    reset-500-accepted)
        sim_args=("${old[@]}" --reset-status 500)
        expect_sim=("sub unit: received 236986 bytes, matches")
        ;;
    reset-200-refused)
        sim_args=("${old[@]}" --reset-status 200)
        expect_status=2
        expect_out=("特殊モードでアップデートしてください。" "→ 特殊モード")
        reject_sim=("tftp:" "POST /update HTTP")
        ;;
    sub-silent-then-special-mode)
        sim_args=("${old[@]}" --sub-silent)
        expect_status=2
        expect_out=("サブユニットが見つかりませんでした。" "[sub-silent]" "→ 特殊モード")
        runs=2
        second_run=(--special-mode)
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        reject_sim=("update_reset")
        ;;
    lost-acks)
        sim_args=("${old[@]}" --drop-first-ack 0,1,200,463)
        expect_sim=("sub unit: received 236986 bytes, matches")
        ;;
    loader-silent)
        sim_args=("${old[@]}" --loader-silent)
        expect_status=2
        count_sim=("tftp: write request=11")
        reject_sim=("POST /update HTTP")
        ;;
    lossy-link)
        sim_args=("${old[@]}" --drop-percent 2)
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        ;;
    stderr-never-read)
        # -v beside a device that floods every reply with junk: the log's echo stalls for good,
        # which must cost log lines, never the search, the transfers or the end.
        sim_args=("${old[@]}" --junk 40)
        cli_args=(-v)
        stall_stderr=1
        expect_out=("アップデート完了")
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        ;;
    junk-floods)
        sim_args=("${old[@]}" --junk 40)
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        ;;
    spoofed-acks)
        extra_unit_addr=10.1.2.99/8
        sim_args=("${old[@]}" --spoof-from 10.1.2.99)
        expect_sim=("sub unit: received 236986 bytes, matches")
        ;;
    slow-loader)
        sim_args=("${old[@]}" --ack-delay-ms 900 --delayed-acks 4)
        expect_sim=("sub unit: received 236986 bytes, matches")
        ;;
    web-never-answers)
        # The reset is never answered: the watch (12 s) abandons each attempt, four in all, or the
        # layer's own 12 s time-out ends the request first; either way the special mode follows.
        sim_args=("${old[@]}" --web-fault never-answer)
        expect_status=2
        expect_sim=("POST /update_reset")
        reject_sim=("tftp:")
        ;;
    web-closes-mid-response)
        sim_args=("${old[@]}" --web-fault close-mid-response)
        expect_status=2
        count_sim=("POST /update_reset=1")
        ;;
    web-answers-garbage)
        sim_args=("${old[@]}" --web-fault garbage@0)
        expect_status=2
        count_sim=("POST /update_reset=1")
        ;;
    web-answers-status-line-only)
        # The status line alone, then close: the reset is accepted and every chunk too.
        sim_args=("${old[@]}" --web-style status-only)
        expect_out=("アップデート完了")
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        count_sim=("update_reset HTTP/1.0, 0 bytes -> 204 (status-only)=1" "-> 200 (status-only)=32")
        ;;
    web-answers-tersely)
        # Each web interface takes the styles in turn: the reset is answered by a status line and a
        # connection reset, and the chunks cycle through all six styles.
        sim_args=("${old[@]}" --web-style "status-reset,no-blank-line,short-body,long-body,junk,status-only")
        expect_out=("アップデート完了")
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        count_sim=("update_reset HTTP/1.0, 0 bytes -> 204 (status-reset)=1" "POST /update HTTP=32"
            "-> 200 (junk)=5")
        ;;
    unit-vanishes-during-tftp)
        sim_args=("${old[@]}" --ack-delay-ms 5)
        vanish_when="tftp: write request"
        expect_status=2
        ;;
    unit-vanishes-during-chunks)
        sim_args=("${old[@]}" --web-fault never-answer@2)
        vanish_when="20486 bytes -> fault"
        expect_status=1
        ;;
    temp-address-already-present)
        # Someone else's 10.10.1.1/8: adding it is refused, so it is never taken off; the
        # adapter now also lies inside 10/8, and the search from that address finds the sub unit.
        temp_present=1
        sim_args=("${old[@]}")
        expect_sim=("discovery request from 10.10.1.1" "sub unit: received 236986 bytes, matches")
        ;;
    sigterm-during-search)
        sim_args=("${old[@]}" --sub-silent)
        kill_when="discovery request from 10.10.1.1"
        expect_status=143
        ;;
    sigterm-during-reset)
        sim_args=("${old[@]}" --web-fault never-answer)
        kill_when="update_reset HTTP/1.0, 0 bytes -> fault"
        expect_status=143
        ;;
    sigterm-during-tftp)
        sim_args=("${old[@]}" --ack-delay-ms 20)
        kill_when="tftp: write request"
        expect_status=143
        ;;
    sigterm-during-chunks)
        sim_args=("${old[@]}" --web-fault never-answer@3)
        kill_when="20486 bytes -> fault"
        expect_status=143
        ;;
    sighup-during-tftp | sigquit-during-tftp)
        sim_args=("${old[@]}" --ack-delay-ms 20)
        kill_when="tftp: write request"
        if [[ $scenario == sighup-* ]]; then kill_signal=HUP; else kill_signal=QUIT; fi
        expect_status=$((128 + $(kill -l "$kill_signal")))
        runs=2
        second_sim=("${old[@]}")
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        ;;
    sigkill-during-search | sigkill-during-reset | sigkill-during-tftp | sigkill-during-chunks)
        # Nothing can be undone: the kernel ends the address's lifetime, and the next run, against
        # a unit that works again, removes the file that was left and updates both units.
        case $scenario in
            *search) sim_args=(--sub-silent); kill_when="discovery request from 10.10.1.1" ;;
            *reset) sim_args=(--web-fault never-answer)
                kill_when="update_reset HTTP/1.0, 0 bytes -> fault" ;;
            *tftp) sim_args=(--ack-delay-ms 20); kill_when="tftp: write request" ;;
            *chunks) sim_args=(--web-fault never-answer@3); kill_when="20486 bytes -> fault" ;;
        esac
        sim_args=("${old[@]}" "${sim_args[@]}")
        [[ $scenario == *chunks ]] || holds_address=1
        kill_signal=KILL
        expect_status=137
        runs=2
        second_sim=("${old[@]}")
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        ;;
    sigkill-during-tftp-then-rerun-at-once)
        # A user who retries at once: the next run finds the killed run's 10.10.1.1 still there
        # and removes it before it searches. Taken for the adapter's own, it would expire in the
        # middle of the next transfer, which the slow ACKs make longer than its lifetime.
        sim_args=("${old[@]}" --ack-delay-ms 70)
        kill_when="tftp: write request"
        kill_delay=0.5
        holds_address=1
        await_expiry=0
        kill_signal=KILL
        expect_status=137
        runs=2
        second_sim=("${sim_args[@]}")
        expect_out=("前回の実行で残った一時アドレス 10.10.1.1/8 を pc0 から削除しました。"
                    "アップデート完了")
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        ;;
    second-copy-as-another-user)
        # A root run under umask 077 updates; meanwhile the same program as another user, under
        # umask 022 and with links planted where a lock file once lived, must not start.
        sim_args=("${old[@]}" --ack-delay-ms 20)
        updater_umask=077
        second_copy_when="tftp: write request"
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        count_sim=("POST /update_reset=1" "tftp: write request=1" "POST /update HTTP=32")
        ;;
    sigpipe-on-stdout)
        # The run that lost its output is itself the one that updates both units.
        sim_args=("${old[@]}")
        pipe_to_head=1
        expect_sim=("sub unit: received 236986 bytes, matches" "main unit: received 655360 bytes, matches")
        ;;
    # A search that ends without its unit names the cause, here each cause in turn.
    not-found-no-link)
        # The unit's end is down, so pc0 has no carrier; the kernel tells pc0's state a moment
        # later, as it does after a cable is pulled.
        sim_args=("${old[@]}")
        prepare=('ip -n "$RLQ_NS_UNIT" link set "$RLQ_UNIT_IF" down'
                 'for _ in $(seq 50); do ip -n "$RLQ_NS_PC" link show "$RLQ_PC_IF" |
                      grep -q NO-CARRIER && break; sleep 0.1; done')
        expect_status=1
        expect_out=("[no-link]")
        reject_sim=("discovery request")
        ;;
    not-found-reply-blocked)
        # A firewall in the PC namespace drops the replies the unit sends.
        sim_args=("${old[@]}")
        cli_args=(--json)
        json_events=(search-start search-end status)
        pc_firewall input 12104
        expect_status=1
        expect_out=('{"event":"search-end","unit":"main","found":false,"cause":"reply-blocked"')
        expect_sim=("discovery reply main from 192.168.77.20")
        ;;
    not-found-port-in-use)
        # Another program holds the port the replies come to.
        sim_args=("${old[@]}")
        hold_port=1
        expect_status=1
        expect_out=("[port-in-use]")
        ;;
    not-found-no-address)
        sim_args=("${old[@]}")
        cli_args=(--json)
        json_events=(search-start search-end status)
        prepare=('ip -n "$RLQ_NS_PC" addr flush dev "$RLQ_PC_IF"')
        expect_status=1
        expect_out=('{"event":"search-end","unit":"main","found":false,"cause":"no-address"')
        ;;
    not-found-foreign-reply)
        sim_args=("${old[@]}" --main-reply-format 0200)
        cli_args=(--json)
        json_events=(search-start search-end status)
        expect_status=1
        expect_out=('{"event":"search-end","unit":"main","found":false,"cause":"foreign-reply"')
        expect_sim=("foreign: format 0200 kind 82")
        ;;
    not-found-route-conflict)
        # A route inside 10/8 on another interface covers the sub unit, and strict reverse-path
        # filtering drops its reply on pc0. A veth pair stands in for a dummy interface, which
        # not every kernel has.
        sim_args=("${old[@]}")
        cli_args=(--json)
        json_events=(search-start search-end status)
        prepare=('ip -n "$RLQ_NS_PC" link add other0 up type veth peer name other1'
                 'ip -n "$RLQ_NS_PC" link set other1 up'
                 'ip -n "$RLQ_NS_PC" route add 10.1.0.0/16 dev other0'
                 'ip netns exec "$RLQ_NS_PC" sysctl -qw net.ipv4.conf.all.rp_filter=1 \
                      "net.ipv4.conf.$RLQ_PC_IF.rp_filter=1"')
        expect_status=2
        expect_out=('{"event":"search-end","unit":"sub","found":false,"cause":"route-conflict"')
        expect_sim=("discovery reply sub from 10.1.2.3 to 10.10.1.1")
        ;;
    not-found-temp-address-refused)
        # Someone else's 10.10.1.1/8 on pc0, and the sub unit does not answer.
        temp_present=1
        sim_args=("${old[@]}" --sub-silent)
        cli_args=(--json)
        json_events=(search-start search-end status)
        expect_status=2
        expect_out=('{"event":"search-end","unit":"sub","found":false,"cause":"temp-address-refused"')
        ;;
    home-lan-in-10)
        # The sub unit is outside the PC's 10.0.0.0/24: it is reached through 10.10.1.1.
        home_lan 10.0.0.5/24 10.0.0.20/24
        sim_args=("${old[@]}")
        expect_out=("IPアドレス: 10.1.2.3" "IPアドレス: 10.0.0.20" "アップデート完了")
        expect_sim=("discovery request from 10.10.1.1" "main unit: received 655360 bytes, matches"
                    "sub unit: received 236986 bytes, matches")
        ;;
    not-found-temp-address-in-subnet)
        # The PC's own subnet holds 10.10.1.1, which may be a host there: it is never added.
        home_lan 10.10.0.5/16 10.10.0.20/16
        sim_args=("${old[@]}")
        cli_args=(--json)
        json_events=(search-start search-end status)
        expect_status=2
        expect_out=('{"event":"search-end","unit":"sub","found":false,"cause":"temp-address-in-subnet","detail":"10.10.0.5/16 on pc0"')
        reject_sim=("discovery request from 10.10.1.1")
        ;;
    not-found-send-refused)
        # A firewall on the PC drops its own requests on the way out.
        sim_args=("${old[@]}")
        cli_args=(--json)
        json_events=(search-start search-end status)
        pc_firewall output 12103
        expect_status=1
        expect_out=('{"event":"search-end","unit":"main","found":false,"cause":"send-refused","detail":"Operation not permitted (error 1)"')
        reject_sim=("discovery request")
        ;;
    late-main-beside-chatter)
        # Every request gets replies that are not taken, and the main unit answers only once
        # it has started: each poll still waits its 100 ms, so the pass lasts until it answers.
        sim_args=("${old[@]}" --main-answers-after 2500 --sub-unwanted 6)
        expect_out=("アップデート完了")
        expect_sim=("discovery: main unit still starting" "main unit: received 655360 bytes, matches")
        ;;
    squatted-name)
        # Someone's script holds the name the single-instance guard binds: the updater does not
        # start, and says who holds it, in its output, its run log and its history.
        sim_args=("${old[@]}")
        squat_name=1
        expect_status=1
        expect_out=("別のプログラム python3 (pid "
                    ", user root) が、このアップデーターの二重起動を防ぐ名前 (RLQUpdater)")
        reject_sim=("discovery request")
        ;;
    not-found-no-reply)
        sim_args=("${old[@]}" --main-silent --sub-silent)
        cli_args=(--json)
        json_events=(search-start search-end status)
        expect_status=1
        expect_out=('{"event":"search-end","unit":"main","found":false,"cause":"no-reply"')
        expect_sim=("discovery request from 192.168.77.10")
        ;;
    *)
        echo "unknown scenario $scenario" >&2
        exit 2
        ;;
esac

work=$(mktemp -d)
prog=$work/prog  # the program's folder
tmp=$work/tmp    # TMPDIR
mkdir "$prog" "$tmp"
sim_pid=""
holder_pid=""
stop_holder() {
    [[ -z $holder_pid ]] && return 0
    kill -TERM "$holder_pid" 2>/dev/null || true
    wait "$holder_pid" 2>/dev/null || true
    holder_pid=""
}
stop_sim() {
    [[ -n $sim_pid ]] && kill -TERM "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    sim_pid=""
}
planted=()
cleanup() {
    stop_holder
    stop_sim
    rm -f "${planted[@]}"
    # RLQ_E2E_KEEP=DIR keeps the updater's output as DIR/SCENARIO.out and its run logs, whose
    # stamps time the searches, as DIR/SCENARIO.runlog, to compare two builds.
    if [[ -n ${RLQ_E2E_KEEP:-} ]]; then
        cp "$work/out.log" "$RLQ_E2E_KEEP/$scenario.out" 2>/dev/null || true
        cat "$work"/state/rlq-updater/run-*.log >"$RLQ_E2E_KEEP/$scenario.runlog" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
cp "$bin/rlq-updater-cli" "$prog/"
[[ -z $extra_unit_addr ]] || ip -n "$RLQ_NS_UNIT" addr add "$extra_unit_addr" dev "$RLQ_UNIT_IF"
[[ $temp_present -eq 0 ]] || ip -n "$RLQ_NS_PC" addr add 10.10.1.1/8 dev "$RLQ_PC_IF"
for command in "${prepare[@]}"; do eval "$command"; done
folders_before=$(ls -A "$prog" "$tmp")

start_sim() {
    ip netns exec "$RLQ_NS_UNIT" "$bin/rlq-unit-sim" \
        --main-addr "$RLQ_MAIN_ADDR/$RLQ_MAIN_PREFIX" --sub-addr "$RLQ_SUB_ADDR/$RLQ_SUB_PREFIX" \
        --special-addr "$RLQ_SPECIAL_ADDR" "$@" >"$work/sim.log" 2>&1 &
    sim_pid=$!
    await_line "$work/sim.log" '^ready' 5 || true
}
start_sim "${sim_args[@]}"


# Runs `action` once the simulator's log shows `pattern`.
when_logged() {
    local pattern=$1 action=$2
    for _ in $(seq 600); do
        grep -qF -- "$pattern" "$work/sim.log" && { eval "$action"; return; }
        sleep 0.05
    done
}

temp_addresses() {
    ip netns exec "$RLQ_NS_PC" ip -4 -o addr show | grep '10\.10\.1\.1/' || true
}

# After SIGKILL: the address, if held, has a lifetime of at most 30 s and is gone within it
# (unless the next run is to find it there).
check_address_expires() {
    local held
    held=$(temp_addresses)
    if [[ -z $held ]]; then
        [[ $holds_address -eq 0 ]] || fail "10.10.1.1 was not held when the signal came"
        return
    fi
    local lifetime
    lifetime=$(sed -nE 's/.*valid_lft ([0-9]+)sec.*/\1/p' <<<"$held")
    [[ -n $lifetime && $lifetime -le 30 ]] || fail "10.10.1.1 has no bounded lifetime: $held"
    [[ $await_expiry -eq 1 ]] || return 0
    for _ in $(seq 70); do
        [[ -z $(temp_addresses) ]] && return
        sleep 0.5
    done
    fail "10.10.1.1 still there 35 s after the holder was killed"
}

# Every run leaves its log, private to the user; a run that ends (not by a signal) also adds its
# entry to the history, with the exit status it ended with.
state=$work/state/rlq-updater
runs_done=0
entries=0
check_records() {
    local status=$1
    runs_done=$((runs_done + 1))
    local logs
    logs=$(ls "$state"/run-*.log 2>/dev/null | wc -l)
    [[ $logs -eq $runs_done ]] || fail "$logs run logs after $runs_done runs"
    [[ $(stat -c %a "$state") == 700 ]] || fail "the record folder is not private"
    local log
    log=$(ls "$state"/run-*.log | tail -n 1)
    [[ $(stat -c %a "$log") == 600 ]] || fail "the run log is not private"
    # A run that never started has no start to log.
    [[ $squat_name -eq 1 ]] || grep -q ' run-start program ' "$log" ||
        fail "the run log has no start: $(cat "$log")"
    [[ $status -ge 128 ]] && return
    entries=$((entries + 1))
    grep -q " program-end status $status " "$log" || fail "the run log has no end: $(cat "$log")"
    local history=$state/history.jsonl
    [[ $(wc -l <"$history") -eq $entries ]] || fail "history: $(cat "$history")"
    tail -n 1 "$history" | grep -q "\"status\":$status," || fail "history: $(tail -n 1 "$history")"
    XDG_STATE_HOME=$work/state "$bin/rlq-updater-cli" --history --json |
        python3 -c 'import json,sys; assert len([json.loads(l) for l in sys.stdin]) == int(sys.argv[1])' \
            "$entries" || fail "--history --json does not give the $entries entries"
}

# The same program as user nobody with only CAP_NET_ADMIN, under umask 022, beside the run:
# it must end as a second copy (status 1) before it sends anything.
run_second_copy() {
    local other=$work/other
    mkdir -p "$other"
    chmod 711 "$work"
    chmod 755 "$other"
    cp "$bin/rlq-updater-cli" "$other/"
    # The links are planted in folders every scenario shares: one scenario at a time plants
    # them, and takes them away again before the next may.
    local links
    exec {links}>/run/lock/rlq-e2e-planted-links.lock
    flock "$links"
    for lock in /run/lock/RLQUpdater.lock /tmp/RLQUpdater.lock; do
        [[ -e $lock || -L $lock ]] && continue
        ln -s "$work/nowhere" "$lock" && planted+=("$lock")
    done
    local status=0
    ip netns exec "$RLQ_NS_PC" setpriv --reuid=nobody --regid=nogroup --clear-groups \
        --inh-caps=+net_admin --ambient-caps=+net_admin sh -c 'umask 022 && exec "$@"' sh \
        "$other/rlq-updater-cli" --json </dev/null >"$work/second-copy.log" 2>&1 || status=$?
    rm -f "${planted[@]}"
    planted=()
    exec {links}>&-
    [[ $status -eq 1 ]] || fail "the second copy ended with $status, expected 1"
    grep -qF '{"event":"status","status":1,"outcome":"not-started"}' "$work/second-copy.log" ||
        fail "the second copy did not end as not started: $(cat "$work/second-copy.log")"
}

run_updater() {
    local expected=$1
    shift
    local status=0
    local output=$work/out.log
    if [[ $pipe_to_head -eq 1 ]]; then
        output=$work/pipe
        mkfifo "$output"
        head -n 1 <"$output" >>"$work/out.log" &
    fi
    local errput=$work/out.log stalled=""
    if [[ $stall_stderr -eq 1 ]]; then
        errput=$work/stderr
        mkfifo "$errput"
        exec {stalled}<>"$errput"
        python3 -c 'import fcntl, os, sys
fcntl.fcntl(os.open(sys.argv[1], os.O_RDWR | os.O_NONBLOCK), 1031, 4096)  # F_SETPIPE_SZ' "$errput"
    fi
    # The single-instance lock is per network namespace: no other updater on this machine (a
    # test or a real run) makes this one a second copy.
    TMPDIR=$tmp XDG_STATE_HOME=$work/state ip netns exec "$RLQ_NS_PC" \
        sh -c 'umask "$0" && exec "$@"' "$updater_umask" \
        "$prog/rlq-updater-cli" "$@" </dev/null >>"$output" 2>>"$errput" &
    local updater=$!
    local watcher=""
    if [[ -n $kill_when ]]; then
        when_logged "$kill_when" "sleep $kill_delay; kill -$kill_signal $updater" &
        watcher=$!
    elif [[ -n $second_copy_when ]]; then
        when_logged "$second_copy_when" run_second_copy
        second_copy_when=
    elif [[ -n $vanish_when ]]; then
        when_logged "$vanish_when" 'ip -n "$RLQ_NS_UNIT" link set "$RLQ_UNIT_IF" down' &
        watcher=$!
    fi
    wait "$updater" || status=$?
    if [[ -n $watcher ]]; then
        kill "$watcher" 2>/dev/null || true
        wait "$watcher" 2>/dev/null || true
    fi
    [[ $status -eq $expected ]] || fail "exit status $status, expected $expected"
    check_records "$status"
    if [[ -n $stalled ]]; then
        # The pipe holds the log's first lines, the run log all of them.
        timeout 2 dd bs=4096 count=1 status=none <&"$stalled" | grep -q ' run-start program ' ||
            fail "the echo did not start with the log"
        exec {stalled}>&-
    fi
    rm -f "$work/pipe" "$work/stderr"
    if [[ $kill_signal == KILL ]]; then
        check_address_expires
        return
    fi
    local temp_count
    temp_count=$(temp_addresses | wc -l)
    [[ $temp_count -eq $temp_present ]] ||
        fail "10.10.1.1 on $temp_count interfaces, expected $temp_present"
    if compgen -G "$prog/.rlq-*" >/dev/null || compgen -G "$tmp/.rlq-*" >/dev/null; then
        fail "temporary file left: $(ls -A "$prog" "$tmp")"
    fi
}

if [[ $hold_port -eq 1 ]]; then
    ip netns exec "$RLQ_NS_PC" python3 -c 'import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("0.0.0.0", 12104))
print("bound", flush=True)
time.sleep(300)' >"$work/holder.log" 2>&1 &
    holder_pid=$!
    await_line "$work/holder.log" '^bound' 5 || true
    grep -qs '^bound' "$work/holder.log" || fail "the holder did not bind 12104: $(cat "$work/holder.log")"
fi
if [[ $squat_name -eq 1 ]]; then
    ip netns exec "$RLQ_NS_PC" python3 -c 'import socket, time
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.bind("\0RLQUpdater")
print("bound", flush=True)
time.sleep(300)' >"$work/holder.log" 2>&1 &
    holder_pid=$!
    await_line "$work/holder.log" '^bound' 5 || true
    grep -qs '^bound' "$work/holder.log" || fail "the holder did not bind the name: $(cat "$work/holder.log")"
fi
run_updater "$expect_status" "${cli_args[@]}"
if [[ $squat_name -eq 1 ]]; then
    held="python3 (pid $holder_pid, user root)"
    grep -qsF "single-instance name RLQUpdater held by $held" "$work"/state/rlq-updater/run-*.log ||
        fail "the run log does not name $held"
    grep -qsF "\"held_by\":\"$held\"" "$work/state/rlq-updater/history.jsonl" ||
        fail "the history does not name $held"
fi
stop_holder
if [[ $runs -eq 2 ]]; then
    if [[ ${#second_sim[@]} -gt 0 ]]; then
        stop_sim
        mv "$work/sim.log" "$work/sim-first.log"
        start_sim "${second_sim[@]}"
    fi
    kill_when=""
    kill_signal=TERM
    run_updater "$second_status" "${second_run[@]}"
fi
[[ $(ls -A "$prog" "$tmp") == "$folders_before" ]] ||
    fail "the folders changed: $(ls -A "$prog" "$tmp")"
kill -HUP "$sim_pid"
await_line "$work/sim.log" '^powered on' 2 || fail "the simulator did not end its power cycle"

for pattern in "${expect_out[@]}"; do
    grep -qF -- "$pattern" "$work/out.log" || fail "output lacks: $pattern"
done
if [[ ${#json_events[@]} -gt 0 ]]; then
    python3 -c 'import json, sys
for e in map(json.loads, sys.stdin):
    assert e["event"] != "search-end" or e["found"] or {"cause", "adapters"} <= e.keys(), e
' <"$work/out.log" || fail "output is not one JSON object per line, or a unit not found lacks its cause"
    for event in "${json_events[@]}"; do
        grep -qF -- "{\"event\":\"$event\"" "$work/out.log" || fail "no $event line"
    done
    for unit in main sub; do
        lines=$(grep -cF -- "{\"event\":\"progress\",\"unit\":\"$unit\"" "$work/out.log" || true)
        [[ $lines -le 101 ]] || fail "$lines progress lines for the $unit unit"
    done
fi
for pattern in "${expect_sim[@]}"; do
    grep -qF -- "$pattern" "$work/sim.log" || fail "simulator log lacks: $pattern"
done
for pattern in "${reject_sim[@]}"; do
    ! grep -qF -- "$pattern" "$work/sim.log" || fail "simulator log holds: $pattern"
done
for entry in "${count_sim[@]}"; do
    pattern=${entry%=*}
    expected=${entry##*=}
    got=$(grep -cF -- "$pattern" "$work/sim.log" || true)
    [[ $got -eq $expected ]] || fail "simulator log holds '$pattern' $got times, expected $expected"
done

if [[ $failures -gt 0 ]]; then
    echo "---- updater output"; cat "$work/out.log"
    [[ ! -f $work/sim-first.log ]] || { echo "---- first simulator log"; cat "$work/sim-first.log"; }
    echo "---- simulator log"; cat "$work/sim.log"
    exit 1
fi
echo "scenario $scenario passed"
