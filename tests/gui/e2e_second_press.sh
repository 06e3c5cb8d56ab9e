#!/usr/bin/env bash
# A second press on Download while a download runs starts a second worker:
# its dialog appears while the first file is still coming, and both files end
# up complete, each under its own name. The service sends slowly (--rate) so
# that the first transfer is still running when the second press comes.
# Usage: e2e_second_press.sh BINARY SERVICE SAMPLE_VIDEO
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/e2e_lib.sh"
gui_private_network "$@"
binary=$1 service=$2 sample=$3

gui_start_display 1920x1080
folder="$HOME/Videos"
mkdir -p "$folder"
first="$folder/first.mp4" second="$folder/second.mp4"
# About six seconds for each copy of the sample.
e2e_start_service "$service" --rate 100000
gui_open_app "$binary"
wid=$GUI_WID
gui_screenshot "$GUI_TMP/before.png"

e2e_download "$wid" "$first"
gui_wait_for 15 test -s "$first.part" || gui_fail "the first transfer did not start"

e2e_press "$wid" download
dialog=$(gui_wait_window "$E2E_DIALOG_TITLE" 30)
[ -e "$first.part" ] && [ ! -e "$first" ] || gui_fail "the first transfer was not running when the second dialog came"
gui_answer_save_dialog "$dialog" "$second"
gui_wait_for 15 test -s "$second.part" || gui_fail "the second transfer did not start"
[ -e "$first.part" ] || gui_fail "the first transfer had ended before the second started"

gui_wait_for 60 eval 'test -e "$first" && test -e "$second"' || gui_fail "not both files arrived: $(ls -A "$folder")"
cmp "$sample" "$first" || gui_fail "the first file differs from the served one"
cmp "$sample" "$second" || gui_fail "the second file differs from the served one"
[ "$(ls -A "$folder" | sort | tr '\n' ' ')" = "first.mp4 second.mp4 " ] || gui_fail "other files: $(ls -A "$folder")"
[ "$(e2e_requests '^GET /media/')" = 2 ] || gui_fail "not two transfers: $(cat "$E2E_SERVICE_LOG")"
gui_wait_for 10 e2e_shot_region_matches "$GUI_TMP/before.png" "$wid" progress || gui_fail "the bar did not return to 0"

gui_close "$wid"
gui_wait_exit 15
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
echo "ok: a second download ran beside the first; both files whole"
