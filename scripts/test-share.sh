#!/usr/bin/env bash
# Prints the lines of C++ under tests/ against all C++ of src, tests, tools, bench and
# packaging (fuzz/ apart), and fails when tests/ holds more than 33% of them.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | wc -l; }
tests=$(count tests)
all=$(count src tests tools bench packaging)
share=$((tests * 1000 / all))
printf 'tests/: %d of %d lines of C++ (%d.%d%%)\n' "$tests" "$all" $((share / 10)) $((share % 10))
[ "$tests" -le $((all * 33 / 100)) ]
