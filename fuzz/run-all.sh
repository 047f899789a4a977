#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, starting from its committed seeds, and fails when
# any of them finds a crash, a leak, undefined behaviour, a broken property or a hang.
#   fuzz/run-all.sh [build-dir] [seconds-per-target]      (defaults: build/linux-fuzz, 55)
# What the fuzzers find grows a corpus in <build-dir>/fuzz-corpus; a failing input is kept in
# <build-dir>/fuzz-artifacts/<target>/ and can be replayed with: <build-dir>/bin/<target> <file>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/linux-fuzz}" && pwd)
seconds=${2:-55}

status=0
summary=()
for seeds in "$root"/fuzz/corpus/*/; do
  target=$(basename "$seeds")
  fuzzer=$build/bin/$target
  if [ ! -x "$fuzzer" ]; then
    summary+=("$target: not built")
    status=1
    continue
  fi
  corpus=$build/fuzz-corpus/$target
  artifacts=$build/fuzz-artifacts/$target
  log=$build/fuzz-logs/$target.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  # The committed seeds are only read; new inputs go to the first, writable corpus.
  if "$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds" >"$log" 2>&1; then
    verdict="no crash"
  else
    verdict="FAILED, see $log and $artifacts"
    status=1
    # The report from its start (the sanitizer's, or the broken property), and the saved input.
    first=$(grep -n -m 1 -E 'ERROR:|runtime error:|property failed|deadly signal' "$log" | cut -d: -f1)
    sed -n "${first:-1},+30p" "$log" >&2
    grep -E 'Test unit written|^Base64:' "$log" >&2 || true
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  summary+=("$target: ${runs:-?} executions in $seconds s, $verdict")
done
printf 'fuzz %s\n' "${summary[@]}"
exit $status
