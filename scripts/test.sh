#!/usr/bin/env bash
# Runs every test: the native unit tests (under sanitizers) and the Win32 tests
# and end-to-end scenarios under Wine in a virtual display, then each fuzz
# target for a bounded time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Quistrel
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native "$@"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz "$@"
