# Sourced by the scripts that run Windows programs under Wine.
#   wine_env_setup BUILD_DIR   - environment and a Wine prefix of the build folder;
#                                with QUISTREL_DPI set (120, 144, ...), a prefix
#                                of its own whose display has that DPI; with
#                                QUISTREL_WINE_DESKTOP=none, one without the
#                                virtual desktop (each window its own X window)
#   start_virtual_display      - an Xvfb display of its own, exported as DISPLAY
#   start_window_manager       - openbox on that display, binding no keys
#                                (with QUISTREL_WINDOW_MANAGER=openbox, the
#                                test scripts start it themselves)
#   stop_wine                  - ends the prefix's wineserver, the window
#                                manager and the display
#   windows_preset             - the Windows build this machine can run:
#                                win32, or win64 where 32-bit programs cannot run

# Some Linux kernels are built without 32-bit program support (no IA-32
# emulation): Wine's 32-bit loader then fails with "Exec format error", and
# only 64-bit Windows programs run, through Wine's 64-bit loader.
machine_runs_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

windows_preset() {
  if machine_runs_32bit; then echo win32; else echo win64; fi
}

# Debian's wine wrapper picks the 32-bit loader whenever it is installed, even
# where it cannot run; a folder of its own, ahead on PATH, sends every Wine
# command (wine, and wineboot, winepath... through wine-stable) to the 64-bit
# loader instead.
use_64bit_wine_loader() {
  local shims=$1/wine64-loader
  mkdir -p "$shims"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' > "$shims/$name"
    chmod +x "$shims/$name"
  done
  export PATH="$shims:$PATH" WINELOADER=/usr/lib/wine/wine64
}

wine_env_setup() {
  local build
  build=$(cd "$1" && pwd)
  local windowed=
  [ "${QUISTREL_WINE_DESKTOP:-}" = none ] && windowed=-windowed
  export WINEPREFIX="$build/wineprefix${QUISTREL_DPI:+-dpi$QUISTREL_DPI}$windowed"
  # ja_JP.UTF-8 makes Wine's ANSI code page 932.
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  machine_runs_32bit || use_64bit_wine_loader "$build"
}

start_virtual_display() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
}

wine_env_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# An X window manager on the display, as every user has one: without it,
# Wine waits up to 2 s each time it shows a managed window again, for an
# answer from a window manager that is not there. Openbox, with a
# configuration that binds no keys (its default one takes Win+E and
# Win+Shift+arrows). Ready once it has announced itself on the root window.
start_window_manager() {
  openbox --sm-disable --config-file "$wine_env_scripts/openbox-rc.xml" >/dev/null 2>&1 &
  WM_PID=$!
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$WM_PID" 2>/dev/null || break
    sleep 0.05
  done
  echo "wine-env: the window manager did not start on $DISPLAY" >&2
  return 1
}

# Font names the windows ask for, mapped to the installed IPA fonts; the
# virtual desktop; the DPI.
write_prefix_settings() {
  local reg
  reg=$(mktemp --suffix=.reg)
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"ＭＳ Ｐゴシック"="IPAPGothic"\r\n'
    printf '"ＭＳ ゴシック"="IPAGothic"\r\n'
    printf '"ＭＳ 明朝"="IPAMincho"\r\n'
    printf '"ＭＳ Ｐ明朝"="IPAPMincho"\r\n'
    printf '"MS UI Gothic"="IPAPGothic"\r\n'
    printf '"MS PGothic"="IPAPGothic"\r\n'
    printf '"MS Gothic"="IPAGothic"\r\n'
    printf '"MS Mincho"="IPAMincho"\r\n\r\n'
    # One virtual desktop: Wine draws the window frames and the taskbar with
    # its notification area, as Windows would, without an X window manager.
    # Without it (QUISTREL_WINE_DESKTOP=none), Wine's default mode: every
    # window is an X window of its own, and Wine's foreground and the X
    # keyboard focus need not agree, as on Windows at times.
    if [ "${QUISTREL_WINE_DESKTOP:-}" != none ]; then
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1280x800"\r\n\r\n'
    fi
    if [ -n "${QUISTREL_DPI:-}" ]; then
      # The display scaling a user chooses in Windows' settings.
      printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n' "$QUISTREL_DPI"
    fi
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
  rm -f "$reg"
}

# Makes the prefix once per build folder (and DPI).
ensure_wine_prefix() {
  [ -f "$WINEPREFIX/.quistrel-ready" ] && return 0
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  write_prefix_settings
  wineserver -w
  touch "$WINEPREFIX/.quistrel-ready"
}

stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${WM_PID:-}" ]; then
    kill "$WM_PID" >/dev/null 2>&1 || true
    wait "$WM_PID" 2>/dev/null || true
    WM_PID=
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" >/dev/null 2>&1 || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}
