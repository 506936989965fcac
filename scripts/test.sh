#!/usr/bin/env bash
# Runs every test: the native unit tests (under sanitizers), the Win32 tests
# and end-to-end scenarios under Wine in a virtual display, the checks of the
# two downloads (the installer under Wine, the zip, reproducibility), then
# each fuzz target for a bounded time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

# The code's layout, its one-way folder graph and the Markdown files' links
# are checked before anything is built.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
python3 scripts/layers.py >/dev/null
python3 scripts/check-links.py

# The tests under Wine run the 32-bit program, or the 64-bit one on a machine
# whose kernel runs no 32-bit programs (scripts/wine-env.sh).
. scripts/wine-env.sh
tested=$(windows_preset)
if [ "$tested" != win32 ]; then
  echo "test: this machine runs no 32-bit programs; the tests under Wine run the 64-bit build and its installer"
fi

# Every warning is an error here, and the Windows builds that the tests run
# check the standard library's preconditions.
strict=(-DQUISTREL_WARNINGS_AS_ERRORS=ON)
cmake --preset win32 "${strict[@]}" -DQUISTREL_ASSERTIONS=ON >/dev/null
cmake --build --preset win32
# The downloads are made from a release build of their own, without the
# run-time checks, with what is published beside them (checksums, manifests).
bash scripts/package.sh
installer_dir=$root/build/package
if [ "$tested" = win64 ]; then
  installer_dir=$root/build/win64/package
  cmake --preset win64 "${strict[@]}" -DQUISTREL_ASSERTIONS=ON -DQUISTREL_PACKAGE_DIR="$installer_dir" >/dev/null
  cmake --build --preset win64 --target all package
else
  cmake --preset win64 "${strict[@]}" >/dev/null
  cmake --build --preset win64 --target Quistrel
fi
cmake --preset native "${strict[@]}" -DQUISTREL_TESTED_BUILD_DIR="$root/build/$tested" \
  -DQUISTREL_INSTALLER_DIR="$installer_dir" >/dev/null
cmake --build --preset native
ctest --preset native "$@"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz "$@"
