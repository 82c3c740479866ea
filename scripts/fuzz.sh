#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time on a copy of its seed corpus,
# so the corpus in the repository never grows here. Fails on any crash, sanitizer report,
# leak, time-out or broken check; the input that did it is kept and printed.
# Usage: scripts/fuzz.sh [SECONDS per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

seconds=${1:-30}
case $seconds in
'' | *[!0-9]*) echo "Usage: $0 [SECONDS per target]" >&2; exit 2 ;;
esac

# Only this preset needs clang and its runtime libraries (libFuzzer and the sanitizers).
velnor_install_missing clang libclang-rt-dev

echo "== fuzz: build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

bin=build/fuzz/bin
artifacts=build/fuzz/artifacts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$artifacts"
mkdir -p "$artifacts"

failed=()
for corpus in fuzz/corpus/*/; do
    name=$(basename "$corpus")
    cp -r "$corpus" "$work/$name"
    echo "== fuzz: $name for ${seconds}s"
    # -timeout: one input running longer than this is a hang, and a failure.
    if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$bin/fuzz_$name" "$work/$name" -max_total_time="$seconds" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$name-" 2>"$work/$name.log"; then
        tail -n 60 "$work/$name.log"
        for input in "$artifacts/$name"-*; do
            [ -e "$input" ] || continue
            echo "-- $input (base64; replay with $bin/fuzz_$name FILE):"
            base64 "$input"
        done
        failed+=("$name")
        continue
    fi
    grep -E '^stat::number_of_executed_units|^Done' "$work/$name.log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing failed: ${failed[*]}" >&2
    exit 1
fi
echo "Fuzzing found nothing."
