#!/usr/bin/env bash
# Measures how fast Tamrel starts and what it costs while it runs, against the
# built-in simulated radio, offscreen.
#
#   1. Starts `tamrel --simulate --no-splash --report-startup` 5 times and
#      prints the median time until the window is shown and until the first
#      reply from the radio is shown (milliseconds since the process started).
#   2. Runs one instance for DURATION seconds (default 60) and prints its
#      resident memory at the end and its CPU use over the run, as a
#      percentage of one core; then ends it with SIGTERM and checks that it
#      exited with status 0.
#
# Builds nothing: build the program first (scripts/test.sh, or
# `cmake --preset default && cmake --build build --target tamrel`).
# TAMREL_BUILD_DIR names another build folder than build/.
set -euo pipefail

usage() {
    cat <<EOF
Usage: $(basename "$0") [DURATION]

Measures start-up times (median of 5 starts) and the memory and CPU use of one
instance running for DURATION seconds (default 60), against the simulated radio.
Expects an existing build: \$TAMREL_BUILD_DIR, or build/ in the source tree
(this script builds nothing).
EOF
}

case "${1:-}" in
-h | --help)
    usage
    exit 0
    ;;
esac
duration="${1:-60}"
if ! [[ "$duration" =~ ^[0-9]+$ ]] || [ "$duration" -lt 1 ]; then
    usage >&2
    exit 2
fi

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TAMREL_BUILD_DIR:-$root/build}"
tamrel="$build/app/tamrel"
if [ ! -x "$tamrel" ]; then
    echo "measure-startup: no program at $tamrel; build it first" >&2
    exit 1
fi

work="$(mktemp -d)"
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Own settings and runtime folders (private, as the control socket needs), no
# screen. The settings persist across the runs: the first run creates them.
mkdir -m 700 "$work/config" "$work/runtime"
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=offscreen

# Waits up to $2 seconds for a line matching $1 in file $3; true when found.
wait_for_line() {
    local pattern="$1" seconds="$2" file="$3" i
    for ((i = 0; i < seconds * 10; i++)); do
        grep -q "$pattern" "$file" 2>/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Ends the instance with SIGTERM; leaves its exit status in $status.
stop_instance() {
    status=0
    kill -TERM "$pid"
    wait "$pid" || status=$?
    pid=""
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

runs=5
: >"$work/shown"
: >"$work/first"
for ((run = 1; run <= runs; run++)); do
    log="$work/run$run.log"
    "$tamrel" --simulate --no-splash --report-startup >"$log" 2>&1 &
    pid=$!
    if ! wait_for_line "first reply shown at" 30 "$log"; then
        echo "measure-startup: run $run: no first reply within 30 s" >&2
        cat "$log" >&2
        exit 1
    fi
    stop_instance
    if [ "$status" != 0 ]; then
        echo "measure-startup: run $run exited with status $status after SIGTERM" >&2
        exit 1
    fi
    sed -n 's/.*window shown at \([0-9]*\) ms.*/\1/p' "$log" >>"$work/shown"
    sed -n 's/.*first reply shown at \([0-9]*\) ms.*/\1/p' "$log" >>"$work/first"
done
echo "Start-up over $runs runs (ms since process start):"
echo "  window shown:       median $(median <"$work/shown") ms  (runs: $(paste -sd' ' "$work/shown"))"
echo "  first reply shown:  median $(median <"$work/first") ms  (runs: $(paste -sd' ' "$work/first"))"

# One instance left running.
log="$work/long.log"
start_ns="$(date +%s%N)"
"$tamrel" --simulate --no-splash >"$log" 2>&1 &
pid=$!
sleep "$duration"
if ! kill -0 "$pid" 2>/dev/null; then
    echo "measure-startup: the program ended by itself during the run" >&2
    cat "$log" >&2
    exit 1
fi
end_ns="$(date +%s%N)"
rss="$(awk '/^VmRSS:/ { print $2 " " $3 }' "/proc/$pid/status")"
# Fields 14 and 15 (utime, stime) in clock ticks; the name in field 2 may hold
# blanks, so count from the ")" that closes it.
ticks="$(sed 's/.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }')"
hz="$(getconf CLK_TCK)"
cpu="$(awk -v t="$ticks" -v hz="$hz" -v ns="$((end_ns - start_ns))" \
    'BEGIN { printf "%.2f", 100 * (t / hz) / (ns / 1e9) }')"
stop_instance
echo "One instance over ${duration} s:"
echo "  resident memory at the end: $rss"
echo "  CPU use: ${cpu}% of one core ($(awk -v t="$ticks" -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }') s of CPU)"
echo "  exit status after SIGTERM: $status"
if [ "$status" != 0 ]; then
    echo "measure-startup: expected exit status 0" >&2
    exit 1
fi
