#!/usr/bin/env bash
# Control updates from other threads, as download workers make them: the
# progress bar's looks (-1 moving band, 40 %, above 100 full, below 0 empty),
# synchronous updates that complete while the UI thread waits for the
# browser pane and while a save dialog is open, and the dialog's answer.
# Usage: controls_test.sh CONTROL_PROBE
source "$(dirname "$0")/lib.sh"
gui_private_network "$@"
probe=$1

gui_start_display 1280x1024
mkfifo "$GUI_TMP/commands"
(cd "$HOME" && exec dbus-run-session -- "$probe") <"$GUI_TMP/commands" >"$GUI_TMP/answers" 2>"$GUI_TMP/app.log" &
GUI_APP_PID=$!
exec 5>"$GUI_TMP/commands"

send() { echo "$1" >&5; }
answered() { grep -qx -- "$1" "$GUI_TMP/answers"; }
expect_answer() { gui_wait_for "${2:-10}" answered "$1" || gui_fail "no answer '$1'; got: $(tr '\n' '|' <"$GUI_TMP/answers")"; }

wid=$(gui_wait_window '^Control probe$')
gui_wait_for 30 grep -q '^updates-during-readiness' "$GUI_TMP/answers" || gui_fail "pane never got ready"
during=$(sed -n 's/^updates-during-readiness //p' "$GUI_TMP/answers")
[ "$during" -gt 0 ] || gui_fail "no bar update completed while the pane got ready"

read -r cx cy _ _ <<<"$(gui_client_geometry "$wid")"
bar_x=$((cx + 170)) bar_y=$((cy + 70))
shot="$GUI_TMP/bar.miff"
# Share of the bar's middle row drawn in the fill colour (blue), 0 to 1.
filled() {
  gui_screenshot "$shot"
  convert "$shot" -crop "296x1+$((bar_x + 2))+$((bar_y + 25))" +repage -fx 'b > 0.7 && r < 0.4' -format '%[fx:mean]' info:
}
# bar_shows MIN MAX: the filled share settles between MIN and MAX.
bar_shows() { awk -v f="$(filled)" -v lo="$1" -v hi="$2" 'BEGIN { exit !(f >= lo && f <= hi) }'; }
expect_bar() {
  gui_wait_for 30 bar_shows "$2" "$3" || { gui_screenshot "$GUI_ARTIFACTS/controls-failure.png"; gui_fail "$1: bar filled $(filled), expected $2..$3"; }
}

send "state 40"; expect_answer "applied 40"; expect_bar "40" 0.37 0.43
send "state 150"; expect_answer "applied 150"; expect_bar "150" 0.97 1
send "state -5"; expect_answer "applied -5"; expect_bar "-5" 0 0.01
send "state 100"; expect_answer "applied 100"; expect_bar "100" 0.97 1
send "state -2147483648"; expect_answer "applied -2147483648"; expect_bar "-2147483648" 0 0.01

# The moving band: a short filled block whose place changes.
send "state -1"; expect_answer "applied -1"
expect_bar "-1" 0.05 0.6
gui_screenshot "$GUI_TMP/band-a.miff"
band_moved() { gui_screenshot "$GUI_TMP/band-b.miff" && gui_regions_differ "$GUI_TMP/band-a.miff" "$GUI_TMP/band-b.miff" "$bar_x" "$bar_y" 300 50; }
gui_wait_for 20 band_moved || gui_fail "the band does not move"
# Any other value ends it: the bar then stays as set.
send "state 40"; expect_answer "applied 40"; expect_bar "40 after the band" 0.37 0.43
gui_screenshot "$GUI_TMP/still-a.miff"
sleep 0.5   # several pulse periods: a band still running would have moved
gui_screenshot "$GUI_TMP/still-b.miff"
gui_regions_differ "$GUI_TMP/still-a.miff" "$GUI_TMP/still-b.miff" "$bar_x" "$bar_y" 300 50 && gui_fail "bar still moving after 40"

# While a save dialog is open, updates from another thread still complete.
send "dialog"
dialog=$(gui_wait_window '^Select the name For the Mp4$')
send "state 70"; expect_answer "applied 70"
send "pane about:<p>changed</p>"; expect_answer "placed"
mkdir -p "$GUI_TMP/videos"
gui_answer_save_dialog "$dialog" "$GUI_TMP/videos/clip.mp4"
expect_answer "chosen $GUI_TMP/videos/clip.mp4"
expect_bar "70 set under the dialog" 0.67 0.73   # the dialog covered the bar till now

# A name in a folder that does not exist is not taken; cancel then gives "".
send "dialog"
dialog=$(gui_wait_window '^Select the name For the Mp4$')
gui_activate "$dialog"
gui_key ctrl+a
xdotool type --delay 5 "$GUI_TMP/no-such-folder/clip.mp4"
gui_key Return
sleep 0.3; gui_key Return
gui_window_absent '^Select the name For the Mp4$' 2 && gui_fail "dialog took a name in a missing folder"
answered "chosen $GUI_TMP/no-such-folder/clip.mp4" && gui_fail "dialog answered a missing folder"
gui_screenshot "$GUI_ARTIFACTS/controls-missing-folder.png"
gui_key Escape
gui_wait_for 20 eval '[ -z "$(gui_find_window "^Select the name For the Mp4$")" ]' || {
  gui_activate "$(gui_find_window '^Select the name For the Mp4$')"; gui_key Escape; }
expect_answer "chosen "

gui_close "$wid"
gui_wait_exit 15
echo "ok: $during bar updates completed during the pane's readiness wait; bar looks, band, dialog answers"
