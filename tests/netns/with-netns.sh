#!/usr/bin/env bash
# Runs a command beside two fresh network namespaces joined by a veth pair: a PC side and a unit
# side. The command decides what runs where (ip netns exec "$RLQ_NS_PC" ...). Both namespaces
# and every process started in them are removed on every way out.
#
#   with-netns.sh [--pc-addr A.B.C.D/P] [--time-limit SECONDS] [--] command [args...]
#
# Exported to the command:
#   RLQ_NS_PC, RLQ_NS_UNIT            namespace names (unique per run)
#   RLQ_PC_IF, RLQ_UNIT_IF            interface names (pc0, unit0)
#   RLQ_PC_IFINDEX                    pc0's interface index inside RLQ_NS_PC
#   RLQ_PC_ADDR, RLQ_PC_PREFIX        PC address (default 192.168.77.10/24)
#   RLQ_MAIN_ADDR, RLQ_MAIN_PREFIX    main unit 192.168.77.20/24 on unit0
#   RLQ_SUB_ADDR, RLQ_SUB_PREFIX      sub unit 10.1.2.3/8 on unit0
#   RLQ_SPECIAL_ADDR                  10.255.255.237 (special mode), also on unit0
#   RLQ_NETNS_DIR                     this script's folder
# Exit status: the command's; 77 when not run as root; 2 on bad usage.
set -euo pipefail

usage() {
    sed -n '5,6p' "$0" | sed 's/^# *//' >&2
}

pc_cidr=192.168.77.10/24
time_limit=120
while [[ $# -gt 0 ]]; do
    case "$1" in
        --pc-addr) pc_cidr=$2; shift 2 ;;
        --time-limit) time_limit=$2; shift 2 ;;
        --) shift; break ;;
        -*) usage; exit 2 ;;
        *) break ;;
    esac
done
if [[ $# -eq 0 ]]; then
    usage
    exit 2
fi
if [[ $(id -u) -ne 0 ]]; then
    echo "with-netns.sh: needs root for network namespaces" >&2
    exit 77
fi

suffix="$$-$RANDOM"
export RLQ_NS_PC="rlq-pc-$suffix"
export RLQ_NS_UNIT="rlq-unit-$suffix"
export RLQ_PC_IF=pc0 RLQ_UNIT_IF=unit0
export RLQ_PC_ADDR=${pc_cidr%/*} RLQ_PC_PREFIX=${pc_cidr#*/}
export RLQ_MAIN_ADDR=192.168.77.20 RLQ_MAIN_PREFIX=24
export RLQ_SUB_ADDR=10.1.2.3 RLQ_SUB_PREFIX=8
export RLQ_SPECIAL_ADDR=10.255.255.237
RLQ_NETNS_DIR=$(cd "$(dirname "$0")" && pwd)
export RLQ_NETNS_DIR

command_pid=""
watchdog_pid=""

end_namespace() {
    local ns=$1 pids
    [[ -e /run/netns/$ns ]] || return 0
    pids=$(ip netns pids "$ns" 2>/dev/null || true)
    if [[ -n $pids ]]; then
        kill -TERM $pids 2>/dev/null || true
        for _ in $(seq 20); do
            [[ -z $(ip netns pids "$ns" 2>/dev/null || true) ]] && break
            sleep 0.1
        done
        pids=$(ip netns pids "$ns" 2>/dev/null || true)
        [[ -n $pids ]] && kill -KILL $pids 2>/dev/null || true
    fi
    ip netns del "$ns" 2>/dev/null || true
}

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    [[ -n $watchdog_pid ]] && kill -TERM -- "-$watchdog_pid" 2>/dev/null || true
    # The command runs in a process group of its own (job control below).
    [[ -n $command_pid ]] && kill -TERM -- "-$command_pid" 2>/dev/null || true
    end_namespace "$RLQ_NS_PC"
    end_namespace "$RLQ_NS_UNIT"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

ip netns add "$RLQ_NS_PC"
ip netns add "$RLQ_NS_UNIT"
ip link add "$RLQ_PC_IF" netns "$RLQ_NS_PC" type veth peer name "$RLQ_UNIT_IF" netns "$RLQ_NS_UNIT"

ip -n "$RLQ_NS_PC" link set lo up
ip -n "$RLQ_NS_PC" link set "$RLQ_PC_IF" up
ip -n "$RLQ_NS_PC" addr add "$pc_cidr" brd + dev "$RLQ_PC_IF"

ip -n "$RLQ_NS_UNIT" link set lo up
ip -n "$RLQ_NS_UNIT" link set "$RLQ_UNIT_IF" up
ip -n "$RLQ_NS_UNIT" addr add "$RLQ_MAIN_ADDR/$RLQ_MAIN_PREFIX" brd + dev "$RLQ_UNIT_IF"
ip -n "$RLQ_NS_UNIT" addr add "$RLQ_SUB_ADDR/$RLQ_SUB_PREFIX" brd + dev "$RLQ_UNIT_IF"
ip -n "$RLQ_NS_UNIT" addr add "$RLQ_SPECIAL_ADDR/8" brd + dev "$RLQ_UNIT_IF"

RLQ_PC_IFINDEX=$(ip -n "$RLQ_NS_PC" -o link show "$RLQ_PC_IF" | cut -d: -f1)
export RLQ_PC_IFINDEX

# Carrier comes up asynchronously once both ends are up.
for _ in $(seq 50); do
    ip -n "$RLQ_NS_PC" -o link show "$RLQ_PC_IF" | grep -q 'state UP' && break
    sleep 0.05
done

# Job control gives the command and the watchdog process groups of their own, so each can be
# ended as a whole.
set -m
"$@" &
command_pid=$!
(sleep "$time_limit" && echo "with-netns.sh: time limit of ${time_limit}s reached" >&2 &&
    kill -TERM -- "-$command_pid") 2>/dev/null &
watchdog_pid=$!
set +m

status=0
wait "$command_pid" || status=$?
command_pid=""
exit "$status"
