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

# Starts an X server of its own, exports DISPLAY and sets xvfb_pid; the caller ends it. Its output
# goes to $1.log. The display number is drawn at random from a wide range: a server that ends
# removes its socket after its lock, so a number handed on at once (as Xvfb -displayfd does) can
# lose the new server's socket, which programs in a network namespace need. The servers of the
# scenarios beside this one start one at a time: a server that finds its number taken aborts,
# and its abort removes the socket of the server that holds the number. False when no server
# starts.
start_xvfb() {
    local base=$1 display starting started=1
    exec {starting}>/run/lock/rlq-e2e-xvfb-start.lock
    flock "$starting"
    for _ in $(seq 10); do
        display=$((1000 + RANDOM % 20000))
        [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]] && continue
        # No reset when the last client goes: a window probe that ends just as the program
        # connects would otherwise have the program's connection closed by the reset.
        Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$base.log" 2>&1 {starting}>&- &
        xvfb_pid=$!
        for _ in $(seq 100); do
            [[ -S /tmp/.X11-unix/X$display ]] && break
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.05
        done
        if [[ -S /tmp/.X11-unix/X$display ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
            export DISPLAY=:$display
            started=0
            break
        fi
        kill -TERM "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    done
    exec {starting}>&-
    return $started
}
