#!/usr/bin/env bash
# Runs every test: the native unit tests (under sanitizers) and the Win32 tests
# and end-to-end scenarios under Wine in a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

# The code's layout and its one-way folder graph are checked before anything
# is built.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
python3 scripts/layers.py >/dev/null

# Every warning is an error here, and the Windows builds that the tests run
# check the standard library's preconditions.
strict=(-DQUISTREL_WARNINGS_AS_ERRORS=ON)
cmake --preset win32 "${strict[@]}" -DQUISTREL_ASSERTIONS=ON >/dev/null
cmake --build --preset win32
cmake --preset win64 "${strict[@]}" >/dev/null
cmake --build --preset win64 --target Quistrel
cmake --preset native "${strict[@]}" >/dev/null
cmake --build --preset native
ctest --preset native "$@"
