#!/usr/bin/env bash
# Without a display the window cannot be opened: the program ends at once,
# silently, with exit code 0.
# Usage: no_display_test.sh BINARY
source "$(dirname "$0")/lib.sh"
gui_private_network "$@"
binary=$1

env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$binary" >"$GUI_TMP/out" 2>&1
code=$?
[ "$code" = 124 ] && gui_fail "still running after 20s"
[ "$code" = 0 ] || gui_fail "exit code $code"
[ -s "$GUI_TMP/out" ] && gui_fail "printed: $(head -c 300 "$GUI_TMP/out")"
echo "ok: no display, exit code 0, nothing printed"
