#!/usr/bin/env bash
# Five downloads run at once while the file host has sent its headers and next
# to nothing after them (the service sends media at RATE bytes a second), and
# the user presses the close box: the program ends at once with exit code 0,
# however many transfers wait for bytes. Nothing appears under the chosen
# names; the partly written ".part" files stay, as after any end mid-transfer.
# Usage: hardening_close_during_downloads.sh BINARY SERVICE RATE
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/e2e_lib.sh"
gui_private_network "$@"
binary=$1 service=$2 rate=$3

gui_start_display 1920x1080
folder="$HOME/Videos"
mkdir -p "$folder"
e2e_start_service "$service" --rate "$rate"
gui_open_app "$binary"
wid=$GUI_WID

for n in 1 2 3 4 5; do
  e2e_download "$wid" "$folder/clip$n.mp4"
  gui_wait_for 15 test -e "$folder/clip$n.mp4.part" || gui_fail "transfer $n did not start"
done
# The log has a line once an answer is complete: each transfer's request for
# the service's address (answered with the redirect) shows; the media bodies
# never end.
gui_wait_for 15 eval '[ "$(e2e_requests "^GET /get/")" -ge 5 ]' ||
  gui_fail "not five transfers: $(cat "$E2E_SERVICE_LOG")"
for n in 1 2 3 4 5; do
  [ ! -e "$folder/clip$n.mp4" ] || gui_fail "clip$n.mp4 was complete before the close: the host did not hold it back"
done

program=$(gui_program_pid)
[ -n "$program" ] || gui_fail "no program process"
# Gone, or ended and waiting to be reaped by its session.
program_ended() { [ ! -e "/proc/$program" ] || grep -q ') Z ' "/proc/$program/stat" 2>/dev/null; }
closed_at=$(gui_now_ms)
gui_close "$wid"
gui_wait_for 10 program_ended || gui_fail "the program still ran 10 s after the close request"
echo "the program ended $(($(gui_now_ms) - closed_at)) ms after the close request"
gui_wait_exit 10
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
for n in 1 2 3 4 5; do
  [ ! -e "$folder/clip$n.mp4" ] || gui_fail "clip$n.mp4 appeared although its transfer never ended"
done
echo "ok: close box during five held transfers: exit code 0, only .part files left"
