# shellcheck shell=bash disable=SC2034,SC2046
# (Names here are used by the scripts that source this file; boxes are
# passed as four words on purpose.)
# End-to-end additions to the GUI harness: the local conversion service on
# the program's compiled-in host, pressing the window's buttons, answering the
# save dialog. Source it after lib.sh; every wait is bounded.
#
#   source "$(dirname "$0")/lib.sh"
#   source "$(dirname "$0")/e2e_lib.sh"
#   gui_private_network "$@"
#   gui_start_display 1920x1080
#   e2e_start_service "$service" [--rate BYTES] [--answer ID=TEXT]...
#   ...

E2E_SERVICE_PID=""
E2E_SERVICE_LOG="$GUI_TMP/service.log"   # one line per request: METHOD PATH?QUERY STATUS
E2E_DIALOG_TITLE='^Select the name For the Mp4$'
E2E_SAMPLE_ID=q9JfxzGmj24

# The service goes first: gui_cleanup waits for every child.
e2e_cleanup() {
  [ -n "$E2E_SERVICE_PID" ] && kill "$E2E_SERVICE_PID" 2>/dev/null
  gui_cleanup
}
trap e2e_cleanup EXIT

# e2e_start_service BINARY [OPTIONS...]: the service on its compiled-in
# address (the program's), serving the build's sample video; returns once it
# listens. Its request log goes to $E2E_SERVICE_LOG.
e2e_start_service() {
  local binary=$1
  shift
  "$binary" "$@" >"$GUI_TMP/service.out" 2>"$E2E_SERVICE_LOG" &
  E2E_SERVICE_PID=$!
  gui_wait_for 10 test -s "$GUI_TMP/service.out" || gui_fail "service did not start: $(cat "$E2E_SERVICE_LOG")"
}

# e2e_requests REGEX: how many logged requests match.
e2e_requests() { grep -cE "$1" "$E2E_SERVICE_LOG"; }

# e2e_press WID CONTROL: a click in the middle of a button (download,
# openfolder), as the user does it.
e2e_press() {
  local x y w h
  read -r x y w h <<<"$(gui_control_box "$2" 0 0)"
  gui_activate "$1"
  gui_click "$1" $((x + w / 2)) $((y + h / 2))
}

# e2e_download WID PATH: presses Download and saves under PATH through the
# dialog; returns once the dialog has taken the name.
e2e_download() {
  local dialog
  e2e_press "$1" download
  dialog=$(gui_wait_window "$E2E_DIALOG_TITLE" 30)
  gui_answer_save_dialog "$dialog" "$2"
}

# e2e_region_matches SHOT_A SHOT_B X Y W H: true when the region is the same
# in both pictures.
e2e_region_matches() { ! gui_regions_differ "$@"; }

# e2e_shot_region_differs REFERENCE WID CONTROL: takes a fresh screenshot and
# is true when the control looks different from REFERENCE.
e2e_shot_region_differs() {
  gui_screenshot "$GUI_TMP/now.png" && gui_regions_differ "$1" "$GUI_TMP/now.png" $(gui_screen_box "$2" "$3")
}

# e2e_shot_region_matches REFERENCE WID CONTROL: the opposite.
e2e_shot_region_matches() {
  gui_screenshot "$GUI_TMP/now.png" && e2e_region_matches "$1" "$GUI_TMP/now.png" $(gui_screen_box "$2" "$3")
}

# e2e_question_for DIALOG: prints the id of a visible window that DIALOG owns
# (the toolkit's overwrite question); fails when there is none.
e2e_question_for() {
  local w owner
  for w in $(xdotool search --onlyvisible --class '^youtube-to-mp4$' 2>/dev/null); do
    owner=$(xprop -id "$w" WM_TRANSIENT_FOR 2>/dev/null | sed -n 's/.*window id # //p')
    if [ -n "$owner" ] && [ "$((owner))" = "$(($1))" ]; then
      echo "$w"
      return 0
    fi
  done
  return 1
}

# e2e_save_replacing DIALOG PATH SHOT: types the name of an existing file,
# waits for the question whether to replace it (its picture goes to SHOT),
# and answers with its default, Replace. Return can first be taken by the
# name's completion popup, so it is pressed again while no question shows.
e2e_save_replacing() {
  local dialog=$1 path=$2 shot=$3 question=""
  gui_activate "$dialog"
  gui_key ctrl+a
  xdotool type --delay 5 "$path"
  for _ in 1 2 3 4 5; do
    gui_key Return
    gui_wait_for 2 e2e_question_for "$dialog" >/dev/null && break
  done
  question=$(e2e_question_for "$dialog") || gui_fail "no question before replacing $path"
  gui_screenshot "$shot"
  gui_activate "$question"
  gui_key Return
  # Had the answer been Cancel, the save dialog would stay for another name.
  gui_wait_for 10 eval '[ -z "$(gui_find_window "$E2E_DIALOG_TITLE")" ]' ||
    gui_fail "the save dialog stayed after the question (Replace not taken; see $shot)"
}

# e2e_pane_shows_video SHOT WID: true when the browser pane in SHOT is filled
# with a strongly coloured picture (the sample's colour bars), unlike the
# white page with the banner.
e2e_pane_shows_video() {
  local saturation
  saturation=$(convert "$1" -crop "$(e2e_geometry "$2" pane)" +repage -colorspace HSL -channel G -separate \
                 -format '%[fx:mean]' info:)
  awk -v s="$saturation" 'BEGIN { exit !(s > 0.25) }'
}

# e2e_geometry WID CONTROL: the control's box on screen as ImageMagick
# geometry (WxH+X+Y).
e2e_geometry() {
  local x y w h
  read -r x y w h <<<"$(gui_screen_box "$1" "$2")"
  echo "${w}x${h}+${x}+${y}"
}
