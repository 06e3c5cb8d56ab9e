#!/usr/bin/env bash
# Cancelling the save dialog ends that download: nothing is fetched beyond
# the service query (the service's log shows no probe and no transfer), no
# file appears anywhere, the bar stays as it was, Open Folder still has no
# folder to open, and the program goes on. Cancelled once with Escape and
# once with the dialog's Cancel button (Alt+C).
# Usage: e2e_cancel_dialog.sh BINARY SERVICE
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/e2e_lib.sh"
gui_private_network "$@"
binary=$1 service=$2

gui_start_display 1920x1080
gui_install_folder_handler
e2e_start_service "$service"
gui_open_app "$binary"
wid=$GUI_WID
gui_screenshot "$GUI_TMP/before.png"

for cancel in Escape alt+c; do
  e2e_press "$wid" download
  dialog=$(gui_wait_window "$E2E_DIALOG_TITLE" 30)
  gui_activate "$dialog"
  gui_key "$cancel"
  gui_wait_for 10 eval '[ -z "$(gui_find_window "$E2E_DIALOG_TITLE")" ]' || gui_fail "$cancel did not close the dialog"
done
[ "$(e2e_requests '^GET /vd/vd\.php')" = 2 ] || gui_fail "not two queries: $(cat "$E2E_SERVICE_LOG")"
! gui_wait_for 2 eval '[ "$(e2e_requests "/(get|media)/")" != 0 ]' ||
  gui_fail "a cancelled download went on: $(cat "$E2E_SERVICE_LOG")"
e2e_shot_region_matches "$GUI_TMP/before.png" "$wid" progress || gui_fail "the bar changed"

e2e_press "$wid" openfolder
! gui_wait_for 2 test -s "$GUI_TMP/opened-folders" || gui_fail "a folder was opened: $(cat "$GUI_TMP/opened-folders")"

gui_app_running || gui_fail "program ended after a cancelled dialog"
gui_close "$wid"
gui_wait_exit 15
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
# With the program gone, nothing more can arrive.
[ "$(e2e_requests "/(get|media)/")" = 0 ] || gui_fail "a cancelled download went on: $(cat "$E2E_SERVICE_LOG")"
files=$(find "$GUI_TMP" -iname '*.mp4*')
[ -z "$files" ] || gui_fail "files appeared: $files"
echo "ok: two cancelled dialogs fetched nothing and wrote nothing"
