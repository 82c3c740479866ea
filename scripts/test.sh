#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Presets to run: default (the usual
# build) and/or asan (AddressSanitizer + UndefinedBehaviorSanitizer); default when none given.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

# Fails before anything is built when the tests outgrow their share of the code.
scripts/test-share.sh
velnor_install_missing
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(default)
for preset in "${presets[@]}"; do
    echo "== $preset: build"
    velnor_build "$preset"
    # A test without a label would be left out of every `ctest -L` loop.
    all=$(ctest --preset "$preset" -N | tail -1)
    labelled=$(ctest --preset "$preset" -N -L . | tail -1)
    if [ "$all" != "$labelled" ]; then
        echo "Tests without a label (unit, e2e, slow, packaging): $all, labelled $labelled" >&2
        exit 1
    fi
    echo "== $preset: test"
    ctest --preset "$preset" -j "$(nproc)"
done
