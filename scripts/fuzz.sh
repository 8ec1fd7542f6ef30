#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (warnings are errors, so the
# libraries keep building cleanly with clang as well as GCC), replays each
# target's corpus (fuzz/corpus/<target>: every input once, the regression
# cases included), then fuzzes each for the given number of seconds (default
# 10) from that corpus. New inputs go to build-fuzz/corpus/<target>, never to the
# repository; a crash leaves its input in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
./scripts/bootstrap.sh
cmake --preset fuzz >/dev/null
targets=$(ls fuzz/*/fuzz_*.cpp | xargs -n1 basename | sed 's/\.cpp$//')
cmake --build build-fuzz --target $targets
mkdir -p build-fuzz/artifacts build-fuzz/logs
status=0
for name in $targets; do
    f=$(ls build-fuzz/fuzz/*/"$name")
    corpus="fuzz/corpus/$name"
    if [ ! -d "$corpus" ]; then
        echo "-- $name: no corpus in $corpus" >&2
        status=1
        continue
    fi
    work="build-fuzz/corpus/$name"
    log="build-fuzz/logs/$name.log"
    rm -rf "$work"
    mkdir -p "$work"
    # -runs=0 executes every input of the corpus once and stops.
    echo "-- $name: replay of $(ls "$corpus" | wc -l) inputs, then ${seconds}s"
    if ! "$f" -runs=0 -rss_limit_mb=2048 -artifact_prefix=build-fuzz/artifacts/"$name"- \
            "$corpus" >"$log" 2>&1 ||
        ! "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix=build-fuzz/artifacts/"$name"- "$work" "$corpus" >>"$log" 2>&1; then
        cat "$log"
        status=1
        continue
    fi
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" | tr '\n' ' '
    echo
done
exit $status
