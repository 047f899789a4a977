#!/usr/bin/env bash
# Inside with-netns.sh: starts rlq-unit-sim in the unit namespace with the fixture's addresses,
# runs a command in the PC namespace, then checks that no temporary address was left behind.
#
#   run-with-unit-sim.sh SIM [sim options...] -- command [args...]
#
# Options given here come after the fixture's, so they win. Exit status: the command's, or 1
# when the simulator does not come up or the temporary address was left.
set -euo pipefail
: "${RLQ_NS_PC:?run inside with-netns.sh}"

sim=$1
shift
sim_args=()
while [[ $# -gt 0 && $1 != "--" ]]; do
    sim_args+=("$1")
    shift
done
[[ $# -gt 1 ]] || { echo "run-with-unit-sim.sh: no command after --" >&2; exit 2; }
shift

sim_log=$(mktemp)
sim_pid=""
finish() {
    local status=$?
    if [[ -n $sim_pid ]]; then
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    echo "---- rlq-unit-sim output"
    cat "$sim_log"
    rm -f "$sim_log"
    exit "$status"
}
trap finish EXIT

ip netns exec "$RLQ_NS_UNIT" "$sim" \
    --main-addr "$RLQ_MAIN_ADDR/$RLQ_MAIN_PREFIX" --sub-addr "$RLQ_SUB_ADDR/$RLQ_SUB_PREFIX" \
    "${sim_args[@]}" >"$sim_log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    grep -qx ready "$sim_log" && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "run-with-unit-sim.sh: rlq-unit-sim ended before it was ready" >&2
        exit 1
    fi
    sleep 0.05
done
grep -qx ready "$sim_log" || { echo "run-with-unit-sim.sh: rlq-unit-sim not ready" >&2; exit 1; }

status=0
ip netns exec "$RLQ_NS_PC" "$@" || status=$?
"$RLQ_NETNS_DIR/check-no-temp-address.sh" || status=1
exit "$status"
