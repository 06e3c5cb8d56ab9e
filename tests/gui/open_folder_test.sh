#!/usr/bin/env bash
# Open Folder before any download: there is no folder yet, so the desktop is
# asked nothing, nothing is shown, and the program goes on (it still takes
# the close request and ends with exit code 0).
# Usage: open_folder_test.sh BINARY
source "$(dirname "$0")/lib.sh"
gui_private_network "$@"
binary=$1

gui_start_display 1920x1080
gui_install_folder_handler
gui_open_app "$binary"
wid=$GUI_WID
gui_activate "$wid"

read -r x y w h <<<"$(gui_control_box openfolder 0 0)"
gui_click "$wid" $((x + w / 2)) $((y + h / 2))
gui_key space                  # and once more from the keyboard (the click gave it the focus)
! gui_wait_for 2 test -s "$GUI_TMP/opened-folders" || gui_fail "a folder was opened: $(cat "$GUI_TMP/opened-folders")"
gui_app_running || gui_fail "program ended after Open Folder"

gui_close "$wid"
gui_wait_exit 15
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
echo "ok: Open Folder before any download asked nothing and the program went on"
