#!/usr/bin/env bash
# The service answers the query with an address the program must not follow:
# a local file (file://), a relative address, or a sound address with a
# trailing CR LF. The whole program then ends with exit code 0 after the
# dialog, with nothing under the chosen name, no ".part" file, and never a
# copy of the local file.
# Usage: hardening_hostile_answer.sh BINARY SERVICE SERVICE_HOST file|relative|crlf
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/e2e_lib.sh"
gui_private_network "$@"
binary=$1 service=$2 service_host=$3 kind=$4

gui_start_display 1920x1080
secret="$GUI_TMP/secret.txt"
printf 'a local file the program must never copy\n' >"$secret"
case $kind in
  file) answer="file://$secret" ;;
  relative) answer="/get/$E2E_SAMPLE_ID.mp4" ;;
  crlf) answer=$'http://'"$service_host/get/$E2E_SAMPLE_ID.mp4"$'\r\n' ;;
  *) gui_fail "unknown kind $kind" ;;
esac
e2e_start_service "$service" --answer "$E2E_SAMPLE_ID=$answer"
folder="$HOME/Videos"
mkdir -p "$folder"

gui_open_app "$binary"
wid=$GUI_WID
e2e_download "$wid" "$folder/clip.mp4"

gui_wait_exit 30
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
[ -z "$(ls -A "$folder")" ] || gui_fail "files left: $(ls -A "$folder")"
[ "$(e2e_requests '^GET /vd/vd\.php')" = 1 ] || gui_fail "no query: $(cat "$E2E_SERVICE_LOG")"
[ "$(e2e_requests '^GET /(get|media)/')" = 0 ] || gui_fail "the address was fetched: $(cat "$E2E_SERVICE_LOG")"
echo "ok: $kind answer: exit code 0, nothing saved"
