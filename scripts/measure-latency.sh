#!/usr/bin/env bash
# Measures the radio link's latencies and idle cost over a pseudo-terminal:
#
#   - a frequency report ("FA00014060000;") from its last byte on the line to
#     the front panel model having applied it: p50, p99 and maximum;
#   - a control-socket command (CW speed) to its first byte on the wire;
#   - CPU use of the receive and status threads with status polling on and a
#     radio that answers but never changes, as a percentage of one core.
#
# Builds and runs bench/latency/measure_latency (everything in one process;
# the program plays the radio's end of the line). Targets: report applied p99
# under 5 ms, command to wire p99 under 2 ms, idle CPU under 0.5 %.
# TAMREL_BUILD_DIR names another build folder than build/ (configured as a
# release build with debug information when it does not exist yet).
set -euo pipefail

usage() {
    cat <<EOF2
Usage: $(basename "$0") [REPORTS [IDLE_SECONDS]]

Measures report-to-model and command-to-wire latency over REPORTS reports and
commands each (default 200) and idle CPU over IDLE_SECONDS (default 10).
EOF2
}

case "${1:-}" in
-h | --help)
    usage
    exit 0
    ;;
esac
reports="${1:-200}"
idle="${2:-10}"
for n in "$reports" "$idle"; do
    if ! [[ "$n" =~ ^[0-9]+$ ]] || [ "$n" -lt 1 ]; then
        usage >&2
        exit 2
    fi
done

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TAMREL_BUILD_DIR:-$root/build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target measure_latency -j2 >/dev/null
"$build/bench/latency/measure_latency" --reports "$reports" --commands "$reports" \
    --idle-seconds "$idle"
