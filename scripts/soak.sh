#!/usr/bin/env bash
# Random user actions against Quistrel.exe under Wine in a virtual display,
# each result checked against a model of what the user must see.
#   scripts/soak.sh [--minutes N] [--seed S]      (default: 10 minutes, a fresh seed)
# Ends with one line: soak: ACTIONS actions, seed S, D divergences, peak M MiB
# QUISTREL_SOAK_PRESET=win64 runs the 64-bit program instead of the 32-bit one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh >/dev/null
preset=${QUISTREL_SOAK_PRESET:-win32}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Quistrel qdriver qpeer >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target soak >/dev/null
export QUISTREL_SCREENSHOTS=${QUISTREL_SCREENSHOTS:-$root/build/native/screenshots}
exec bash scripts/wine-test.sh "build/$preset" build/native/tests/soak "$@"
