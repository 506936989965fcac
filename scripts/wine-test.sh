#!/usr/bin/env bash
# Runs one test program with a Wine prefix of the build folder and a virtual
# display of its own: wine-test.sh WIN32_BUILD_DIR COMMAND [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

build=$1
shift
wine_env_setup "$build"
export QUISTREL_WIN32_BUILD_DIR
QUISTREL_WIN32_BUILD_DIR=$(cd "$build" && pwd)
start_virtual_display
trap stop_wine EXIT
# The soak run asks for a window manager on its display.
[ -n "${QUISTREL_WINDOW_MANAGER:-}" ] && start_window_manager
ensure_wine_prefix
"$@"
