#!/usr/bin/env bash
# Enter presses nothing: neither in the field nor on a focused Download button
# does it start a download (whose save dialog would appear). The space bar on
# the same focused button then does start one: the dialog appears, owned by
# the main window.
# Usage: enter_test.sh BINARY
source "$(dirname "$0")/lib.sh"
gui_private_network "$@"
binary=$1
dialog_title='^Select the name For the Mp4$'

gui_start_display 1920x1080
gui_open_app "$binary"
wid=$GUI_WID
gui_activate "$wid"

gui_key Tab Return              # in the field
gui_key Tab Return KP_Enter     # on the Download button
gui_window_absent "$dialog_title" 3 || gui_fail "Enter started a download"
gui_app_running || gui_fail "program ended"

gui_key space                   # the same button, pressed
dialog=$(gui_wait_window "$dialog_title" 30)
owner=$(xprop -id "$dialog" WM_TRANSIENT_FOR | sed -n 's/.*window id # //p')
[ "$((owner))" = "$((wid))" ] || gui_fail "save dialog not owned by the main window (WM_TRANSIENT_FOR $owner)"
grep -q _NET_WM_STATE_MODAL <<<"$(xprop -id "$dialog" _NET_WM_STATE)" || gui_fail "save dialog is not modal"

# Cancel; the worker then ends on its own (or ends the program, as a failed
# download does). Either way the program ends with exit code 0.
gui_activate "$dialog"
gui_key Escape
gui_wait_for 10 eval '[ -z "$(gui_find_window "$dialog_title")" ]' || gui_fail "dialog did not close"
gui_app_running && gui_close "$wid"
gui_wait_exit 15
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
echo "ok: Enter started nothing; space on Download opened the save dialog"
