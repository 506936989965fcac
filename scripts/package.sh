#!/usr/bin/env bash
# Builds the release and writes the two downloads into build/package/:
# Mallowquist-<version>-win32.zip (portable) and Mallowquist-<version>-setup.exe
# (per-user installer), both made by CPack, then prints their checksums.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target package
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/release/CPackConfig.cmake)
cd build/package
sha256sum "Mallowquist-$version-win32.zip" "Mallowquist-$version-setup.exe"
