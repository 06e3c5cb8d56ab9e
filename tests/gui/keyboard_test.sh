#!/usr/bin/env bash
# Tab and Shift+Tab move the focus over the field and the two buttons in
# creation order and wrap around; the browser pane is no tab stop. The focus
# is read off the screen: of the three tab stops, only the focused one looks
# different from the picture with nothing focused (the field's frame turns to
# the focus colour, a button gets a focus ring). The field's inside is left
# out: its text stays selected after the focus has left.
# Usage: keyboard_test.sh BINARY
source "$(dirname "$0")/lib.sh"
gui_private_network "$@"
binary=$1

gui_start_display 1920x1080
gui_open_app "$binary"
wid=$GUI_WID
gui_activate "$wid"

stops=(field download openfolder)

# focus_box STOP: where focus shows, in screen coordinates.
focus_box() {
  local x y w h
  read -r x y w h <<<"$(gui_screen_box "$wid" "$1")"
  if [ "$1" = field ]; then
    echo "$((x + 5)) $y $((w - 10)) 2"   # top edge of the frame
  else
    echo "$x $y $w $h"
  fi
}
gui_screenshot "$GUI_TMP/nothing-focused.miff"

# expect_focus KEY STOP: after KEY, STOP and only STOP looks focused.
step=0
expect_focus() {
  local key=$1 want=$2 stop shot
  step=$((step + 1))
  gui_key "$key"
  shot="$GUI_TMP/keyboard-$step-$want.miff"
  # The window redraws after the key; wait until the wanted stop has changed.
  gui_wait_for 10 eval 'gui_screenshot "$shot" && gui_regions_differ "$GUI_TMP/nothing-focused.miff" "$shot" $(focus_box "$want")' ||
    keep_and_fail "$shot" "step $step ($key): $want does not look focused"
  for stop in "${stops[@]}"; do
    [ "$stop" = "$want" ] && continue
    gui_regions_differ "$GUI_TMP/nothing-focused.miff" "$shot" $(focus_box "$stop") &&
      keep_and_fail "$shot" "step $step ($key): $stop looks focused too"
  done
}

keep_and_fail() {
  convert "$1" "$GUI_ARTIFACTS/keyboard-failure.png"
  gui_fail "$2 (see $GUI_ARTIFACTS/keyboard-failure.png)"
}

expect_focus shift+Tab openfolder   # nothing focused: Shift+Tab goes to the last stop
expect_focus Tab field              # and Tab wraps from the last to the first
expect_focus Tab download
expect_focus Tab openfolder
expect_focus shift+Tab download
expect_focus shift+Tab field
expect_focus shift+Tab openfolder   # Shift+Tab wraps from the first to the last

gui_close "$wid"
gui_wait_exit 15
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE"
echo "ok: focus order field, Download, Open Folder, wrapping both ways"
