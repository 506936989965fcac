#!/usr/bin/env bash
# Random user actions against Quistrel.exe under Wine in a virtual display,
# each result checked against a model of what the user must see.
#   scripts/soak.sh [--minutes N] [--seed S]      (default: 10 minutes, a fresh seed)
# Ends with one line: soak: ACTIONS actions, seed S, D divergences, peak M MiB
# It runs the 32-bit program, or the 64-bit one where the machine runs no
# 32-bit programs (scripts/wine-env.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh >/dev/null
. scripts/wine-env.sh
preset=$(windows_preset)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Quistrel qdriver qpeer >/dev/null
cmake --preset native -DQUISTREL_TESTED_BUILD_DIR="$root/build/$preset" >/dev/null
cmake --build --preset native --target soak >/dev/null
export QUISTREL_SCREENSHOTS=${QUISTREL_SCREENSHOTS:-$root/build/native/screenshots}
# A window manager on the display, as a user has (scripts/wine-env.sh).
export QUISTREL_WINDOW_MANAGER=openbox
exec bash scripts/wine-test.sh "build/$preset" build/native/tests/soak "$@"
