#!/usr/bin/env bash
# Random user actions against Quistrel.exe under Wine in a virtual display,
# each result checked against a model of what the user must see.
#   scripts/soak.sh [--minutes N] [--seed S]      (default: 10 minutes, a fresh seed)
# Ends with one line: soak: ACTIONS actions, seed S, D divergences, peak M MiB
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quistrel qdriver qpeer >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target soak >/dev/null
export QUISTREL_SCREENSHOTS=${QUISTREL_SCREENSHOTS:-$root/build/native/screenshots}
exec bash scripts/wine-test.sh build/win32 build/native/tests/soak "$@"
