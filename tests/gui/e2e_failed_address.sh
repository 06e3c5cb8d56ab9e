#!/usr/bin/env bash
# The service answers with an address whose transfer fails: one that answers
# 404, or one where nobody listens. The program ends with exit code 0 and
# leaves no file: neither the target nor its ".part". When the chosen name
# belongs to an existing file, the dialog asks first (answered Replace), and
# after the failure that file still holds its old bytes.
# Usage: e2e_failed_address.sh BINARY SERVICE SERVICE_HOST 404|unreachable new|existing
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/e2e_lib.sh"
gui_private_network "$@"
binary=$1 service=$2 service_host=$3 failure=$4 name=$5
case $failure in
  404) address="http://$service_host/media/missing.mp4" ;;
  unreachable) address="http://127.0.0.1:1/x.mp4" ;;
  *) gui_fail "unknown failure $failure" ;;
esac

gui_start_display 1920x1080
e2e_start_service "$service" --answer "$E2E_SAMPLE_ID=$address"
folder="$HOME/Videos"
target="$folder/clip.mp4"
mkdir -p "$folder"
if [ "$name" = existing ]; then
  printf 'the bytes of an earlier clip\n' >"$target"
  cp "$target" "$GUI_TMP/old-copy"
fi

gui_open_app "$binary"
wid=$GUI_WID
e2e_press "$wid" download
dialog=$(gui_wait_window "$E2E_DIALOG_TITLE" 30)
if [ "$name" = existing ]; then
  e2e_save_replacing "$dialog" "$target" "$GUI_ARTIFACTS/e2e-replace-question-$failure.png"
else
  gui_answer_save_dialog "$dialog" "$target"
fi

gui_wait_exit 30
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
if [ "$name" = existing ]; then
  [ "$(ls -A "$folder")" = clip.mp4 ] || gui_fail "files left: $(ls -A "$folder")"
  cmp "$GUI_TMP/old-copy" "$target" || gui_fail "the existing file was changed"
else
  [ -z "$(ls -A "$folder")" ] || gui_fail "files left: $(ls -A "$folder")"
fi
# The service was asked, and for a 404 the transfer did reach it.
[ "$(e2e_requests '^GET /vd/vd\.php')" = 1 ] || gui_fail "no query: $(cat "$E2E_SERVICE_LOG")"
if [ "$failure" = 404 ]; then
  [ "$(e2e_requests '^GET /media/missing\.mp4 404$')" = 1 ] || gui_fail "no transfer: $(cat "$E2E_SERVICE_LOG")"
fi
echo "ok: $failure address, $name name: exit code 0, no file left behind"
