#!/usr/bin/env bash
# Builds the release and writes what a release publishes into build/package/
# (or the folder given): the two downloads made by CPack,
# Mallowquist-<version>-win32.zip (portable) and Mallowquist-<version>-setup.exe
# (per-user installer), their checksums in SHA256SUMS, CHANGELOG.md, and the
# manifests for winget (winget/) and Scoop (scoop/); then prints the checksums.
#   package.sh [FOLDER]
# With MALLOWQUIST_SIGN_PFX and MALLOWQUIST_SIGN_PASSWORD_FILE set (and
# optionally MALLOWQUIST_SIGN_TIMESTAMP_URL), Quistrel.exe, the uninstaller
# and the installer are signed (packaging/sign.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(realpath -m "${1:-build/package}")
bash scripts/install-deps.sh

# A release meant to be signed never comes out unsigned: what the signing
# needs is checked before anything is built.
if [ -n "${MALLOWQUIST_SIGN_PFX:-}" ]; then
  for file in "$MALLOWQUIST_SIGN_PFX" "${MALLOWQUIST_SIGN_PASSWORD_FILE:-}"; do
    if [ ! -r "$file" ]; then
      echo "package: MALLOWQUIST_SIGN_PFX and MALLOWQUIST_SIGN_PASSWORD_FILE must name readable files ('$file')" >&2
      exit 1
    fi
  done
  # cpack runs the signing from folders of its own.
  MALLOWQUIST_SIGN_PFX=$(realpath "$MALLOWQUIST_SIGN_PFX")
  MALLOWQUIST_SIGN_PASSWORD_FILE=$(realpath "$MALLOWQUIST_SIGN_PASSWORD_FILE")
  export MALLOWQUIST_SIGN_PFX MALLOWQUIST_SIGN_PASSWORD_FILE
fi

cmake --preset release >/dev/null
cmake --build --preset release
# CPack's work folder is a fresh one, so that a package run into another
# folder (the signing test's) leaves the release build's own as it is.
work=$(mktemp -d /tmp/quistrel-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
cpack --config build/release/CPackConfig.cmake -B "$work" -D CPACK_OUTPUT_FILE_PREFIX="$out"

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/release/CPackConfig.cmake)
release_url=$(sed -n 's/^MALLOWQUIST_RELEASE_URL:[A-Z]*=//p' build/release/CMakeCache.txt)
cd "$out"
sha256sum "Mallowquist-$version-win32.zip" "Mallowquist-$version-setup.exe" > SHA256SUMS
cp "$root/CHANGELOG.md" .
python3 "$root/packaging/release_files.py" "$root/build/release/CPackConfig.cmake" "$out" "$release_url"
cat SHA256SUMS
if [[ $release_url == *example.invalid* ]]; then
  echo "package: the download addresses in winget/ and scoop/ are placeholders: set MALLOWQUIST_RELEASE_URL (cmake --preset release -DMALLOWQUIST_RELEASE_URL=...) before publishing"
fi
if ! grep -q "^## \[$version\] - [0-9]\{4\}-[0-9][0-9]-[0-9][0-9]" CHANGELOG.md; then
  echo "package: the entry of $version in CHANGELOG.md has no release date yet"
fi
