#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, starting from its committed seeds, and fails when
# any of them finds a crash, a leak, undefined behaviour, a broken property or a hang.
#   fuzz/run-all.sh [build-dir] [seconds-per-target] [targets-at-once]
#                                                   (defaults: build/linux-fuzz, 55, 1)
# What the fuzzers find grows a corpus in <build-dir>/fuzz-corpus; a failing input is kept in
# <build-dir>/fuzz-artifacts/<target>/ and can be replayed with: <build-dir>/bin/<target> <file>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/linux-fuzz}" && pwd)
seconds=${2:-55}
parallel=${3:-1}

# Each target's line of the summary, and whether it failed, in a file of its own.
lines=$(mktemp -d)
trap 'rm -rf "$lines"' EXIT

# run_target SEEDS: one target for its time on its committed seeds.
run_target() {
  local seeds=$1 target
  target=$(basename "$seeds")
  local fuzzer=$build/bin/$target
  if [ ! -x "$fuzzer" ]; then
    echo "$target: not built" >"$lines/$target.failed"
    return
  fi
  local corpus=$build/fuzz-corpus/$target
  local artifacts=$build/fuzz-artifacts/$target
  local log=$build/fuzz-logs/$target.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  local verdict outcome=passed
  # The committed seeds are only read; new inputs go to the first, writable corpus.
  if "$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds" >"$log" 2>&1; then
    verdict="no crash"
  else
    verdict="FAILED, see $log and $artifacts"
    outcome=failed
    # The report from its start (the sanitizer's, or the broken property), and the saved input.
    local first
    first=$(grep -n -m 1 -E 'ERROR:|runtime error:|property failed|deadly signal' "$log" | cut -d: -f1 || true)
    sed -n "${first:-1},+30p" "$log" >&2
    grep -E 'Test unit written|^Base64:' "$log" >&2 || true
  fi
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$target: ${runs:-?} executions in $seconds s, $verdict" >"$lines/$target.$outcome"
}

running=0
for seeds in "$root"/fuzz/corpus/*/; do
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$seeds" &
  running=$((running + 1))
done
wait

status=0
for seeds in "$root"/fuzz/corpus/*/; do
  target=$(basename "$seeds")
  if [ -f "$lines/$target.passed" ]; then
    printf 'fuzz %s\n' "$(cat "$lines/$target.passed")"
  else
    printf 'fuzz %s\n' "$(cat "$lines/$target.failed" 2>/dev/null || echo "$target: no outcome")"
    status=1
  fi
done
exit $status
