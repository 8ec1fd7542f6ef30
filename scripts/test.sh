#!/usr/bin/env bash
# Builds Tamrel and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2
