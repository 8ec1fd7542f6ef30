#!/usr/bin/env bash
# Builds Tamrel and starts it. Without a configured radio it runs against the
# built-in simulated radio; extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build build --target tamrel
if [ $# -eq 0 ]; then
    exec ./build/app/tamrel --auto-simulate
fi
exec ./build/app/tamrel "$@"
