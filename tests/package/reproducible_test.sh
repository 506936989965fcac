#!/usr/bin/env bash
# Two package builds of one commit give the same bytes: builds the zip once
# more, from scratch in a folder of its own, and compares it and the
# Quistrel.exe inside it with the zip given (the one scripts/test.sh made).
#   reproducible_test.sh ZIP
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
first=$(realpath "$1")
build=$(mktemp -d /tmp/quistrel-reproducible-XXXXXX)
trap 'rm -rf "$build"' EXIT

cd "$root"
cmake --preset release -B "$build" -DQUISTREL_PACKAGE_DIR="$build/package" >/dev/null
cmake --build "$build" --target Quistrel quistrel_readme >/dev/null
(cd "$build" && cpack -G ZIP >/dev/null)
second=$build/package/$(basename "$first")

mkdir "$build/first" "$build/second"
(cd "$build/first" && cmake -E tar xf "$first")
(cd "$build/second" && cmake -E tar xf "$second")
sha256sum "$first" "$second" "$build/first/Quistrel.exe" "$build/second/Quistrel.exe"
cmp "$build/first/Quistrel.exe" "$build/second/Quistrel.exe"
cmp "$first" "$second"
echo "reproducible: the zip and Quistrel.exe are byte for byte the same"
