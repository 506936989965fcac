#!/usr/bin/env bash
# Builds Quistrel.exe and starts it under Wine.
# With an X display (DISPLAY set) the program runs there until you end it from
# its tray menu. Without one it runs in a virtual display for a few seconds,
# leaves a screenshot in build/win32/screenshots/ (build/win64/... where the
# machine runs no 32-bit programs) and ends in order.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
# The 32-bit program, or the 64-bit one on a machine whose kernel runs no
# 32-bit programs (scripts/wine-env.sh).
. scripts/wine-env.sh
preset=$(windows_preset)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Quistrel qdriver

build=$root/build/$preset
wine_env_setup "$build"
run_folder=$build/run
mkdir -p "$run_folder"
cp "$build/src/Quistrel.exe" "$run_folder/"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  ensure_wine_prefix
  echo "Starting $run_folder/Quistrel.exe on display $DISPLAY (end it from its tray icon's menu)."
  cd "$run_folder" && exec wine Quistrel.exe
fi

start_virtual_display
trap stop_wine EXIT
ensure_wine_prefix
cd "$run_folder"
wine Quistrel.exe &
program=$!
driver() { wine "$build/tests/qdriver.exe" "$@"; }
# At a first start the welcome window comes before the main window.
started=
for _ in $(seq 1 60); do
  if driver find Mallowquist.frmHello 0 >/dev/null || driver find Mallowquist.frmMain 0 >/dev/null; then
    started=1
    break
  fi
  sleep 0.5
done
[ -n "$started" ] || { echo "Quistrel.exe did not start" >&2; exit 1; }
sleep 2
shots=$build/screenshots
mkdir -p "$shots"
import -window root "$shots/run.png"
# Leave the way a user would: the welcome window first, then the program.
driver post Mallowquist.frmHello 0x0111 1 0 >/dev/null 2>&1 || true
driver find Mallowquist.frmMain 20000 >/dev/null || true
driver close Mallowquist.frmMain >/dev/null || true
wait "$program" || true
echo "No display: Quistrel.exe ran in a virtual display; what it showed is in $shots/run.png"
echo "Its files are in $run_folder"
