#!/usr/bin/env bash
# Open Folder after a download: the desktop's default handler for folders
# (a recording stand-in registered for inode/directory in this test's data
# and config folders) is asked, once, to open the folder the file went into.
# The folder's name has a space, which must reach the handler intact.
# Usage: e2e_open_folder_after_download.sh BINARY SERVICE SAMPLE_VIDEO
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/e2e_lib.sh"
gui_private_network "$@"
binary=$1 service=$2 sample=$3

gui_start_display 1920x1080
gui_install_folder_handler
e2e_start_service "$service"
folder="$HOME/My Videos"
mkdir -p "$folder"

gui_open_app "$binary"
wid=$GUI_WID
e2e_download "$wid" "$folder/clip.mp4"
gui_wait_for 30 test -e "$folder/clip.mp4" || gui_fail "no download: $(ls -A "$folder")"
cmp "$sample" "$folder/clip.mp4" || gui_fail "saved bytes differ from the served file"

e2e_press "$wid" openfolder
gui_wait_for 15 test -s "$GUI_TMP/opened-folders" || gui_fail "no folder was opened"
# The handler may take a moment to write; a second request would show too.
! gui_wait_for 1 eval '[ "$(wc -l <"$GUI_TMP/opened-folders")" -gt 1 ]' ||
  gui_fail "opened more than once: $(cat "$GUI_TMP/opened-folders")"
# GIO hands a local folder to the handler's %u as a plain path.
want="$folder cwd=$folder"
[ "$(cat "$GUI_TMP/opened-folders")" = "$want" ] ||
  gui_fail "handler got '$(cat "$GUI_TMP/opened-folders")', expected '$want'"

gui_app_running || gui_fail "program ended after Open Folder"
gui_close "$wid"
gui_wait_exit 15
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
echo "ok: Open Folder handed '$folder' to the desktop's folder handler"
