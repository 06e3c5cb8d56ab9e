#!/usr/bin/env bash
# The sample video through the real window and the local service: Download,
# a name typed into the save dialog (without ".mp4": the program adds it),
# the bar moving while the bytes come and back at 0 at the end, the saved
# bytes equal to the served file with no ".part" left, and the pane playing
# the video. The window's picture is kept as e2e-download-sample.png.
# Usage: e2e_download_sample.sh BINARY SERVICE SAMPLE_VIDEO
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/e2e_lib.sh"
gui_private_network "$@"
binary=$1 service=$2 sample=$3
shot="$GUI_ARTIFACTS/e2e-download-sample.png"

gui_start_display 1920x1080
# About two seconds for the sample, long enough to see the bar move.
e2e_start_service "$service" --rate 300000
gui_open_app "$binary"
wid=$GUI_WID
gui_screenshot "$GUI_TMP/before.png"
e2e_pane_shows_video "$GUI_TMP/before.png" "$wid" && gui_fail "the pane looks like a video before any download"

folder="$HOME/Videos"
mkdir -p "$folder"
e2e_download "$wid" "$folder/sample"
gui_wait_for 15 e2e_shot_region_differs "$GUI_TMP/before.png" "$wid" progress || gui_fail "the bar never moved"
gui_wait_for 30 test -e "$folder/sample.mp4" || gui_fail "no $folder/sample.mp4: $(ls -a "$folder")"
cmp "$sample" "$folder/sample.mp4" || gui_fail "saved bytes differ from the served file"
[ "$(ls -A "$folder")" = sample.mp4 ] || gui_fail "other files beside the video: $(ls -A "$folder")"

gui_wait_for 10 e2e_shot_region_matches "$GUI_TMP/before.png" "$wid" progress || gui_fail "the bar did not return to 0"
_shows_video() { gui_screenshot "$shot" && e2e_pane_shows_video "$shot" "$wid"; }
gui_wait_for 20 _shows_video || gui_fail "the pane does not show the video (see $shot)"

[ "$(e2e_requests '^GET /media/')" = 1 ] || gui_fail "the file was not fetched exactly once: $(cat "$E2E_SERVICE_LOG")"
gui_app_running || gui_fail "program ended after the download"
gui_close "$wid"
gui_wait_exit 15
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
echo "ok: sample saved whole as $folder/sample.mp4, bar back at 0, the pane plays it (see $shot)"
