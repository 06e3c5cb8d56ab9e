#!/usr/bin/env bash
# Two downloads of the sample run slowly; a third, for an ID whose address
# answers 404, fails while they run. A failed transfer ends the program: it
# ends with exit code 0 at once, the failed download leaves nothing, the
# running ones leave only their ".part" files, and a file the user already had
# under one of the running names keeps its bytes.
# Usage: hardening_failure_while_others_run.sh BINARY SERVICE SERVICE_HOST
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/e2e_lib.sh"
gui_private_network "$@"
binary=$1 service=$2 service_host=$3

gui_start_display 1920x1080
folder="$HOME/Videos"
mkdir -p "$folder"
# About a minute for one copy of the sample (576 KB): both are still coming when the
# third download fails.
e2e_start_service "$service" --rate 10000 --answer "broken=http://$service_host/media/missing.mp4"
gui_open_app "$binary"
wid=$GUI_WID

printf 'an older clip the user keeps\n' >"$GUI_TMP/old-copy"
cp "$GUI_TMP/old-copy" "$folder/second.mp4"
e2e_download "$wid" "$folder/first.mp4"
gui_wait_for 15 test -e "$folder/first.mp4.part" || gui_fail "the first transfer did not start"
e2e_press "$wid" download
dialog=$(gui_wait_window "$E2E_DIALOG_TITLE" 30)
e2e_save_replacing "$dialog" "$folder/second.mp4" "$GUI_TMP/replace-question.png"
gui_wait_for 15 test -e "$folder/second.mp4.part" || gui_fail "the second transfer did not start"

# The ID field now holds an ID whose address fails.
read -r x y w h <<<"$(gui_control_box field 0 0)"
gui_activate "$wid"
gui_click "$wid" $((x + w / 2)) $((y + h / 2))
gui_key ctrl+a
xdotool type --delay 5 broken
e2e_download "$wid" "$folder/third.mp4"

gui_wait_exit 30
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
[ "$(e2e_requests '^GET /media/missing\.mp4 404$')" = 1 ] || gui_fail "no failed transfer: $(cat "$E2E_SERVICE_LOG")"
[ ! -e "$folder/first.mp4" ] || gui_fail "first.mp4 appeared although its transfer never ended"
cmp "$GUI_TMP/old-copy" "$folder/second.mp4" || gui_fail "the user's second.mp4 was changed"
if [ -e "$folder/third.mp4" ] || [ -e "$folder/third.mp4.part" ]; then gui_fail "the failed download left a file"; fi
echo "ok: a failure beside two running downloads ended the program with exit code 0; no file lost"
