#!/usr/bin/env bash
# Measures how fast the selector opens with a history of 999 texts of 100 KiB
# each, under Wine in a virtual display, and how much private memory
# Quistrel.exe holds with that history.
#   scripts/bench-selector.sh [OPENINGS] [ENTRIES] [KIB_PER_ENTRY]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quistrel bench_open_selector >/dev/null

. scripts/wine-env.sh
build=$root/build/win32
wine_env_setup "$build"
start_virtual_display
trap stop_wine EXIT
ensure_wine_prefix

folder=$(mktemp -d)
cp "$build/src/Quistrel.exe" "$folder/"
printf '[Main]\r\nClipBoardLog=999\r\nViewHello=0\r\nViewBalloon=0\r\n' > "$folder/Quistrel.ini"
(cd "$folder" && exec wine Quistrel.exe >/dev/null 2>&1) &
pid=$!  # wine becomes the program's own process
wine "$build/tests/qdriver.exe" find Mallowquist.frmMain 20000 >/dev/null

private_mib() {  # the Linux process's private memory, what the program holds for itself
  awk '/^Private_(Clean|Dirty):/ { kib += $2 } END { printf "%.1f", kib / 1024 }' "/proc/$1/smaps_rollup"
}
before=$(private_mib "$pid")
wine "$build/tests/bench_open_selector.exe" "${1:-40}" "${2:-999}" "${3:-100}" | tr -d '\r'
after=$(private_mib "$pid")
entries=${2:-999}
kib=${3:-100}
texts=$(awk -v n="$entries" -v k="$kib" 'BEGIN { printf "%.1f", n * k / 1024 }')
limit=$(awk -v t="$texts" 'BEGIN { printf "%.1f", 1.1 * t + 8 }')
echo "private memory of Quistrel.exe: ${before} MiB with an empty history, ${after} MiB with it"
echo "the texts themselves: ${texts} MiB; growth with the history: $(awk -v a="$after" -v b="$before" 'BEGIN { printf "%.1f", a - b }') MiB (limit 1.1 x texts + 8 MiB = ${limit} MiB)"
wine "$build/tests/qdriver.exe" close Mallowquist.frmMain >/dev/null || true
sleep 2
rm -rf "$folder"
