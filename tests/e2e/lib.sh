# shellcheck shell=bash
# Helpers the end-to-end scenario scripts share; sourced, not run.

# A failed check is counted and the scenario goes on, so one run reports every fault.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits up to $3 seconds for file $1 to hold a line matching $2; false when it does not.
await_line() {
    local file=$1 pattern=$2 seconds=$3
    for _ in $(seq $((seconds * 20))); do
        grep -qs -- "$pattern" "$file" && return 0
        sleep 0.05
    done
    return 1
}

# The id of a visible window whose whole title is $1, or nothing.
window_of() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true; }

# Waits up to $2 seconds for window $1 while process $3 runs; prints its id. False when the time
# passes or the process ends first.
await_window() {
    local title=$1 seconds=$2 pid=$3 id
    for _ in $(seq $((seconds * 10))); do
        id=$(window_of "$title")
        [[ -n $id ]] && { echo "$id"; return 0; }
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
