#!/usr/bin/env bash
# Measures how the program takes what other programs do to the clipboard,
# under Wine in a virtual display:
# - a storm of copies: copies a second absorbed, the front entry checked,
#   peak and settled private memory;
# - a giant text: the time until it is recorded, Win+C with it on the
#   clipboard over twenty openings, memory after them;
# - hostile peers (a hung viewer, clipboard owners that render late or
#   never): the longest the program took to answer, from their scenarios.
#   scripts/bench-clipboard.sh [STORM_COPIES] [GIANT_MIB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quistrel clipboard_bench qdriver qpeer >/dev/null

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
wine "$build/tests/qdriver.exe" foreground Mallowquist.frmMain >/dev/null || true

private_mib() {  # the Linux process's private memory, what the program holds for itself
  awk '/^Private_(Clean|Dirty):/ { kib += $2 } END { printf "%.1f", kib / 1024 }' "/proc/$1/smaps_rollup"
}
# Samples the program's private memory until the file given exists; the
# highest value goes to standard output.
sample_peak() {
  local peak=0 now
  while [ ! -e "$1" ] && kill -0 "$pid" 2>/dev/null; do
    now=$(private_mib "$pid")
    peak=$(awk -v a="$now" -v b="$peak" 'BEGIN { print (a > b) ? a : b }')
    sleep 0.05
  done
  echo "$peak"
}
# Runs a command while sampling; the peak is left in $peak.
with_peak() {
  local stop peakfile
  stop=$(mktemp -u)
  peakfile=$(mktemp)
  sample_peak "$stop" > "$peakfile" &
  local sampler=$!
  "$@" | tr -d '\r'
  touch "$stop"
  wait "$sampler" || true
  peak=$(cat "$peakfile")
  rm -f "$stop" "$peakfile"
}

echo "private memory at start: $(private_mib "$pid") MiB"
with_peak wine "$build/tests/clipboard_bench.exe" storm "${1:-5000}"
sleep 2
echo "storm: peak private memory ${peak} MiB, settled $(private_mib "$pid") MiB"
with_peak wine "$build/tests/clipboard_bench.exe" giant "${2:-256}" 20
sleep 2
echo "giant text: peak private memory ${peak} MiB, after twenty openings and a small copy $(private_mib "$pid") MiB"
wine "$build/tests/qdriver.exe" close Mallowquist.frmMain >/dev/null || true
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && echo "the program did not end in order" || echo "the program ended in order"
rm -rf "$folder"
stop_wine
trap - EXIT

echo "hostile peers (the longest answers):"
cmake --preset native >/dev/null
cmake --build --preset native --target e2e_clipboard_peers_e2e_test >/dev/null
ctest --preset native -R e2e.clipboard_peers_e2e_test -V 2>/dev/null | grep -o '\[ figures \].*' | sed 's/\[ figures \] /  /'
