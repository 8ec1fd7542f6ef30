#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number
# of seconds (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
./scripts/bootstrap.sh
cmake --preset fuzz >/dev/null
targets=$(ls fuzz/*/fuzz_*.cpp | xargs -n1 basename | sed 's/\.cpp$//')
cmake --build build-fuzz --target $targets
for f in build-fuzz/fuzz/*/fuzz_*; do
    [ -f "$f" ] && [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus="build-fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds="fuzz/seeds/$name"
    args=("$corpus")
    [ -d "$seeds" ] && args+=("$seeds")
    echo "-- $name for ${seconds}s"
    "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "${args[@]}" 2>&1 | tail -n 12
done
