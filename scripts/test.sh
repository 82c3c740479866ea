#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Presets to run: default (the usual
# build) and/or asan (AddressSanitizer + UndefinedBehaviorSanitizer); default when none given.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

velnor_install_missing
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(default)
for preset in "${presets[@]}"; do
    echo "== $preset: build"
    velnor_build "$preset"
    echo "== $preset: test"
    ctest --preset "$preset" -j "$(nproc)"
done
