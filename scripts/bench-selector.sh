#!/usr/bin/env bash
# The benchmarks under Wine in a virtual display:
# - how fast the selector opens with a history of 999 texts of 100 KiB each,
#   and how much private memory Quistrel.exe holds with that history;
# - how long an automatic paste takes, from the release of Win to the text
#   in Notepad.
#   scripts/bench-selector.sh [OPENINGS] [ENTRIES] [KIB_PER_ENTRY] [PASTES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quistrel qdriver bench_open_selector bench_paste >/dev/null

. scripts/wine-env.sh
build=$root/build/win32
wine_env_setup "$build"
start_virtual_display
folder=$(mktemp -d)
pid=
notepad=
finish() {
  [ -n "$notepad" ] && kill "$notepad" 2>/dev/null || true
  [ -n "$pid" ] && wine "$build/tests/qdriver.exe" close Mallowquist.frmMain >/dev/null 2>&1 || true
  stop_wine
  rm -rf "$folder"
}
trap finish EXIT
ensure_wine_prefix

# Starts Quistrel.exe in the folder with the settings given; pid is its process.
start_quistrel() {
  cp "$build/src/Quistrel.exe" "$folder/"
  printf '[Main]\r\nViewHello=0\r\nViewBalloon=0\r\n%s' "$1" > "$folder/Quistrel.ini"
  (cd "$folder" && exec wine Quistrel.exe >/dev/null 2>&1) &
  pid=$!  # wine becomes the program's own process
  wine "$build/tests/qdriver.exe" find Mallowquist.frmMain 20000 >/dev/null
}
stop_quistrel() {
  wine "$build/tests/qdriver.exe" close Mallowquist.frmMain >/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

private_mib() {  # the Linux process's private memory, what the program holds for itself
  awk '/^Private_(Clean|Dirty):/ { kib += $2 } END { printf "%.1f", kib / 1024 }' "/proc/$1/smaps_rollup"
}

echo "== opening the selector"
start_quistrel $'ClipBoardLog=999\r\n'
before=$(private_mib "$pid")
wine "$build/tests/bench_open_selector.exe" "${1:-40}" "${2:-999}" "${3:-100}" | tr -d '\r'
after=$(private_mib "$pid")
entries=${2:-999}
kib=${3:-100}
texts=$(awk -v n="$entries" -v k="$kib" 'BEGIN { printf "%.1f", n * k / 1024 }')
limit=$(awk -v t="$texts" 'BEGIN { printf "%.1f", 1.1 * t + 8 }')
echo "private memory of Quistrel.exe: ${before} MiB with an empty history, ${after} MiB with it"
echo "the texts themselves: ${texts} MiB; growth with the history: $(awk -v a="$after" -v b="$before" 'BEGIN { printf "%.1f", a - b }') MiB (limit 1.1 x texts + 8 MiB = ${limit} MiB)"
stop_quistrel

echo "== the automatic paste into Notepad"
start_quistrel $'AutoPaste=1\r\n'
wine notepad >/dev/null 2>&1 &
notepad=$!
wine "$build/tests/qdriver.exe" find Notepad 20000 >/dev/null
wine "$build/tests/bench_paste.exe" "${4:-30}" | tr -d '\r'
stop_quistrel
