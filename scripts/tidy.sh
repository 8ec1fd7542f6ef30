#!/usr/bin/env bash
# Checks the naming rule (.clang-tidy) on the lines changed since BASE
# (default: the commit before HEAD). Needs a configured build/ with
# compile_commands.json.
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-HEAD~1}
if ! git rev-parse --verify -q "$base^{commit}" >/dev/null; then
    echo "naming: no $base in this checkout (shallow clone?): nothing to compare" >&2
    exit 0
fi
tidy_diff=$(command -v clang-tidy-diff-14.py || command -v clang-tidy-diff.py || true)
if [ -z "$tidy_diff" ]; then
    echo "clang-tidy-diff is not installed (Debian clang-tidy)" >&2
    exit 1
fi
# clang-tidy-diff does not pass clang-tidy's status on: the findings decide.
out=$(git diff -U0 "$base" -- '*.cpp' '*.h' ':!build*' ':!tests' |
    "$tidy_diff" -p1 -path build -quiet -j2 -regex '.*\.cpp' 2>&1 || true)
if grep -E 'error: .*\[readability' <<<"$out"; then
    echo "Names against the rule (README, Conventions) on changed lines." >&2
    exit 1
fi
echo "naming: the changed lines keep the rule"
