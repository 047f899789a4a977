#!/usr/bin/env bash
# One end-to-end scenario of rlq-updater-cli against rlq-unit-sim, inside with-netns.sh.
#   cli-scenario.sh BIN_DIR SCENARIO
# The updater runs from a private copy of its folder, so that its temporary file can be looked
# for afterwards. Every scenario also checks that no 10.10.1.1 and no temporary file is left.
set -euo pipefail
: "${RLQ_NS_PC:?run inside with-netns.sh}"
bin=$1
scenario=$2

sim_args=()
cli_args=()
expect_status=0
expect_out=()       # patterns the updater's output must hold
expect_sim=()       # patterns the simulator's log must hold
count_sim=()        # "PATTERN=N": the simulator's log holds PATTERN exactly N times
reject_sim=()       # patterns the simulator's log must not hold
second_run=()       # updater arguments of a second run in the same namespaces
second_status=0

old=(--main-version 1.30 --sub-version 1.00)
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
        expect_out=("サブユニットが見つかりませんでした。" "→ 特殊モード")
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
    *)
        echo "unknown scenario $scenario" >&2
        exit 2
        ;;
esac

work=$(mktemp -d)
sim_pid=""
cleanup() {
    [[ -n $sim_pid ]] && kill -TERM "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cp "$bin/rlq-updater-cli" "$work/"

ip netns exec "$RLQ_NS_UNIT" "$bin/rlq-unit-sim" \
    --main-addr "$RLQ_MAIN_ADDR/$RLQ_MAIN_PREFIX" --sub-addr "$RLQ_SUB_ADDR/$RLQ_SUB_PREFIX" \
    --special-addr "$RLQ_SPECIAL_ADDR" "${sim_args[@]}" >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do grep -qs '^ready' "$work/sim.log" && break; sleep 0.05; done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run_updater() {
    local expected=$1
    shift
    local status=0
    TMPDIR=$work ip netns exec "$RLQ_NS_PC" "$work/rlq-updater-cli" "$@" </dev/null \
        >>"$work/out.log" 2>&1 || status=$?
    [[ $status -eq $expected ]] || fail "exit status $status, expected $expected"
    if ip netns exec "$RLQ_NS_PC" ip -4 addr show | grep -q '10\.10\.1\.1/'; then
        fail "10.10.1.1 left on an interface"
    fi
    if compgen -G "$work/.rlq-*" >/dev/null; then
        fail "temporary file left: $(ls -a "$work")"
    fi
}

run_updater "$expect_status" "${cli_args[@]}"
if [[ ${#second_run[@]} -gt 0 ]]; then
    run_updater "$second_status" "${second_run[@]}"
fi
kill -HUP "$sim_pid"
for _ in $(seq 40); do grep -q '^power cycle' "$work/sim.log" && break; sleep 0.05; done
sleep 0.1

for pattern in "${expect_out[@]}"; do
    grep -qF -- "$pattern" "$work/out.log" || fail "output lacks: $pattern"
done
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
    echo "---- simulator log"; cat "$work/sim.log"
    exit 1
fi
echo "scenario $scenario passed"
