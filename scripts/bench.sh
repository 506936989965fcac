#!/usr/bin/env bash
# Every benchmark of the program, under Wine in a virtual display:
# - how fast the selector opens with a history of 999 texts of 100 KiB each,
#   through the keyboard hook and through the registered hot key, and how
#   much private memory Quistrel.exe holds with that history;
# - the keyboard hook's own longest time per key, over a typing run of
#   10,000 keys;
# - how long an automatic paste takes, from the release of Win to the text
#   in Notepad, with Ctrl+V and with Shift+Insert;
# - a storm of copies: copies a second absorbed, the front entry checked,
#   peak and settled private memory;
# - a giant text: the time until it is recorded, Win+C with it on the
#   clipboard over twenty openings, memory after them;
# - hostile peers (a hung viewer, clipboard owners that render late or
#   never): the longest the program took to answer, from their scenarios;
# - how long another program that opens the clipboard every 20 ms is kept
#   from it after a rendered copy, a copy whose owner then stays busy, and a
#   promise never kept, with the program running and without it;
# - the opening as the user sees it, in Wine's default mode (each window an
#   X window, as on a desktop) with Notepad active: Win+C typed at the X
#   server, the screen's pixels in the selector's area read back until they
#   settle, the first change and the complete frame, beside a minimal
#   pop-up of the same size and place on a hot key of its own (the floor),
#   with 999 texts of 100 KiB and again with ten short texts in front.
#   scripts/bench.sh [OPENINGS] [ENTRIES] [KIB_PER_ENTRY] [PASTES] [STORM_COPIES] [GIANT_MIB] [TYPED_KEYS] [SEEN_ROUNDS]
#   scripts/bench.sh seen [SEEN_ROUNDS] [ENTRIES] [KIB_PER_ENTRY]     (the last part alone)
#   scripts/bench.sh paste [PASTES]                                   (the paste alone)
#   QUISTREL_APP_MODE=dark scripts/bench.sh seen ...                  (the opening in the dark look)
#   scripts/bench.sh kept-out                                         (the clipboard kept from others alone)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seen_only=
paste_only=
kept_out_only=
if [ "${1:-}" = kept-out ]; then
  kept_out_only=1
  shift
  set --
elif [ "${1:-}" = seen ]; then
  seen_only=1
  shift
  set -- 40 "${2:-999}" "${3:-100}" 30 5000 256 10000 "${1:-40}"
elif [ "${1:-}" = paste ]; then
  paste_only=1
  shift
  set -- 40 999 100 "${1:-30}"
fi
bash scripts/install-deps.sh >/dev/null
# The 32-bit program, or the 64-bit one where the machine runs no 32-bit
# programs (scripts/wine-env.sh).
. scripts/wine-env.sh
preset=$(windows_preset)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Quistrel qdriver qpeer bench_open_selector bench_paste clipboard_bench \
  bench_floor_popup >/dev/null
# The X side of the opening as seen is a native program.
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_seen_opening >/dev/null

build=$root/build/$preset
folder=$(mktemp -d)
pid=
notepad=
floor=
finish() {
  [ -n "$floor" ] && kill "$floor" 2>/dev/null || true
  [ -n "$notepad" ] && kill "$notepad" 2>/dev/null || true
  [ -n "$pid" ] && wine "$build/tests/qdriver.exe" close Mallowquist.frmMain >/dev/null 2>&1 || true
  stop_wine
  rm -rf "$folder"
}
trap finish EXIT

# Starts Quistrel.exe in the folder with the settings given; pid is its process.
start_quistrel() {
  cp "$build/src/Quistrel.exe" "$folder/"
  printf '[Main]\r\nViewHello=0\r\nViewBalloon=0\r\n%s' "$1" > "$folder/Quistrel.ini"
  (cd "$folder" && exec wine Quistrel.exe >/dev/null 2>&1) &
  pid=$!  # wine becomes the program's own process
  wine "$build/tests/qdriver.exe" find Mallowquist.frmMain 20000 >/dev/null
}
# Ends it in order and says whether it did.
stop_quistrel() {
  wine "$build/tests/qdriver.exe" close Mallowquist.frmMain >/dev/null || true
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$pid" 2>/dev/null && echo "the program did not end in order" || echo "the program ended in order"
  wait "$pid" 2>/dev/null || true
  pid=
}

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

# The opening as the user sees it: see the top of this file. Notepad stays
# out of the selector's area, so that its caret does not blink there.
seen_opening() {
  local rounds=$1 entries=$2 kib=$3
  echo "== the opening as the user sees it (Wine's default mode, a window manager, Notepad active)"
  echo "load: $(uptime)"
  export QUISTREL_WINE_DESKTOP=none
  wine_env_setup "$build"
  start_virtual_display
  start_window_manager
  ensure_wine_prefix
  # Windows' app mode, light unless asked for: the prefix is shared with the
  # tests, so it is set either way.
  local light=1
  [ "${QUISTREL_APP_MODE:-light}" = dark ] && light=0
  echo "app mode: ${QUISTREL_APP_MODE:-light}"
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' /v AppsUseLightTheme \
    /t REG_DWORD /d "$light" /f >/dev/null 2>&1
  wine notepad >/dev/null 2>&1 &
  notepad=$!
  wine "$build/tests/qdriver.exe" find Notepad 20000 >/dev/null
  local window
  window=$(wine "$build/tests/qdriver.exe" x-window Notepad | tr -d '\r')
  xdotool windowsize --sync "$window" 320 240 windowmove --sync "$window" 0 0 >/dev/null 2>&1 || true
  # The mouse pointer rests in a corner, away from where the selector shows,
  # as while the user types.
  xdotool mousemove 1270 790 >/dev/null 2>&1 || true
  # With QUISTREL_SEEN_TRACE set, the test build of the program writes the
  # steps of each opening there too (src/selector/opening_trace_win.h).
  [ -n "${QUISTREL_SEEN_TRACE:-}" ] && mkdir -p "$QUISTREL_SEEN_TRACE" &&
    export QUISTREL_OPENING_TRACE="Z:${QUISTREL_SEEN_TRACE//\//\\}\\program.txt"
  start_quistrel $'ClipBoardLog=999\r\n'
  unset QUISTREL_OPENING_TRACE
  wine "$build/tests/bench_open_selector.exe" fill "$entries" "$kib" 0 | tr -d '\r' | grep -v '^pid'
  local rect
  rect=$(wine "$build/tests/qdriver.exe" info Mallowquist.frmMain | tr -d '\r' | sed -n 's/.* window=\([-0-9,]*\) .*/\1/p')
  local floor_out
  floor_out=$(mktemp)
  wine "$build/tests/bench_floor_popup.exe" ${rect//,/ } >"$floor_out" 2>&1 &
  floor=$!
  for _ in $(seq 1 200); do grep -q ready "$floor_out" && break; sleep 0.1; done
  rm -f "$floor_out"
  wine "$build/tests/qdriver.exe" foreground Notepad >/dev/null || true
  xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
  echo "the selector's window: ${rect}; openings of the two taking turns, $rounds each"
  echo "-- $entries texts of $kib KiB"
  "$root/build/bench/tests/bench_seen_opening" ${rect//,/ } "$rounds" Quistrel:c floor:b ${QUISTREL_SEEN_TRACE:+--trace "$QUISTREL_SEEN_TRACE/long"}
  wine "$build/tests/bench_open_selector.exe" fill 0 0 10 | tr -d '\r' | grep -v '^pid'
  wine "$build/tests/qdriver.exe" foreground Notepad >/dev/null || true
  xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
  echo "-- $entries entries, ten short texts in front"
  "$root/build/bench/tests/bench_seen_opening" ${rect//,/ } "$rounds" Quistrel:c floor:b ${QUISTREL_SEEN_TRACE:+--trace "$QUISTREL_SEEN_TRACE/short"}
  echo "load: $(uptime)"
  kill "$floor" 2>/dev/null || true
  floor=
  kill "$notepad" 2>/dev/null || true
  notepad=
  stop_quistrel
  stop_wine
  unset QUISTREL_WINE_DESKTOP
}

# Notepad's edit box pastes with Ctrl+V and with Shift+Insert, the keys of
# the terminal programs: the second run measures those through [PasteKeys].
paste_into_notepad() {
  wine notepad >/dev/null 2>&1 &
  notepad=$!
  wine "$build/tests/qdriver.exe" find Notepad 20000 >/dev/null
  for keys in Ctrl+V Shift+Insert; do
    echo "== the automatic paste into Notepad with $keys"
    start_quistrel $'AutoPaste=1\r\n[PasteKeys]\r\nNotepad='"$keys"$'\r\n'
    wine "$build/tests/bench_paste.exe" "${1:-30}" | tr -d '\r'
    stop_quistrel
  done
  kill "$notepad" 2>/dev/null || true
  notepad=
}

# Another program's opens of the clipboard, with the program and without.
kept_out() {
  echo "== the clipboard kept from another program (it opens the clipboard every 20 ms)"
  echo "load: $(uptime)"
  echo "-- with Quistrel.exe running"
  start_quistrel ''
  wine "$build/tests/clipboard_bench.exe" kept-out | tr -d '\r'
  stop_quistrel
  echo "-- without it"
  wine "$build/tests/clipboard_bench.exe" kept-out | tr -d '\r'
  echo "load: $(uptime)"
}

if [ -n "$seen_only" ]; then
  seen_opening "${8:-40}" "${2:-999}" "${3:-100}"
  exit 0
fi

wine_env_setup "$build"
start_virtual_display
start_window_manager
ensure_wine_prefix
if [ -n "$paste_only" ]; then
  paste_into_notepad "$4"
  exit 0
fi
if [ -n "$kept_out_only" ]; then
  kept_out
  exit 0
fi

echo "== opening the selector"
start_quistrel $'ClipBoardLog=999\r\n'
before=$(private_mib "$pid")
wine "$build/tests/bench_open_selector.exe" "${1:-40}" "${2:-999}" "${3:-100}" "${7:-10000}" | tr -d '\r'
after=$(private_mib "$pid")
texts=$(awk -v n="${2:-999}" -v k="${3:-100}" 'BEGIN { printf "%.1f", n * k / 1024 }')
limit=$(awk -v t="$texts" 'BEGIN { printf "%.1f", 1.1 * t + 8 }')
echo "private memory of Quistrel.exe: ${before} MiB with an empty history, ${after} MiB with it"
echo "the texts themselves: ${texts} MiB; growth with the history: $(awk -v a="$after" -v b="$before" 'BEGIN { printf "%.1f", a - b }') MiB (limit 1.1 x texts + 8 MiB = ${limit} MiB)"
# A history that takes more than its texts and a little over them holds a
# copy of each somewhere: the run says so and fails at its end.
over_limit=$(awk -v a="$after" -v b="$before" -v l="$limit" 'BEGIN { print (a - b > l) ? 1 : 0 }')
[ "$over_limit" = 0 ] || echo "MEMORY OVER THE LIMIT: the history holds more than its texts" >&2
stop_quistrel

paste_into_notepad "${4:-30}"

echo "== a storm of copies and a giant text"
start_quistrel $'ClipBoardLog=999\r\n'
wine "$build/tests/qdriver.exe" foreground Mallowquist.frmMain >/dev/null || true
echo "private memory at start: $(private_mib "$pid") MiB"
with_peak wine "$build/tests/clipboard_bench.exe" storm "${5:-5000}"
sleep 2
echo "storm: peak private memory ${peak} MiB, settled $(private_mib "$pid") MiB"
with_peak wine "$build/tests/clipboard_bench.exe" giant "${6:-256}" 20
sleep 2
echo "giant text: peak private memory ${peak} MiB, after twenty openings and a small copy $(private_mib "$pid") MiB"
stop_quistrel
kept_out
stop_wine

echo "== hostile peers (the longest answers)"
cmake --preset native >/dev/null
cmake --build --preset native --target e2e_clipboard_peers_e2e_test >/dev/null
ctest --preset native -R e2e.clipboard_peers_e2e_test -V 2>/dev/null | grep -o '\[ figures \].*' | sed 's/\[ figures \] /  /'

seen_opening "${8:-40}" "${2:-999}" "${3:-100}"
[ "${over_limit:-0}" = 0 ] || exit 1
