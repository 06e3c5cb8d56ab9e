# Harness for driving the real program under Xvfb with a window manager.
# Source it from a test script; every wait is bounded. Typical use:
#
#   source "$(dirname "$0")/lib.sh"
#   gui_private_network "$@"          # re-runs the script in its own network namespace
#   gui_start_display 1920x1080
#   gui_open_app "$binary"; wid=$GUI_WID   # window up, controls drawn
#   ...
#   gui_close "$wid"; gui_wait_exit 10; [ "$GUI_EXIT_CODE" = 0 ]
#
# Cleanup (app, window manager, display, temporary files) runs on exit.

set -u

GUI_TMP=$(mktemp -d /tmp/gui-test.XXXXXX)
GUI_XVFB_PID=""
GUI_WM_PID=""
GUI_APP_PID=""        # the dbus-run-session that runs the program
GUI_EXIT_CODE=""
# Screenshots and logs worth keeping go here (the test's working directory).
GUI_ARTIFACTS=${GUI_ARTIFACTS:-$PWD}

gui_fail() {
  echo "FAIL: $*" >&2
  if [ -s "$GUI_TMP/app.log" ]; then
    echo "--- program output:" >&2
    tail -n 30 "$GUI_TMP/app.log" >&2
  fi
  exit 1
}



gui_cleanup() {
  local pid
  if gui_app_running; then
    for pid in $(pgrep -P "$GUI_APP_PID"); do kill "$pid" 2>/dev/null; done
    kill "$GUI_APP_PID" 2>/dev/null
  fi
  [ -n "$GUI_WM_PID" ] && kill "$GUI_WM_PID" 2>/dev/null
  [ -n "$GUI_XVFB_PID" ] && kill "$GUI_XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$GUI_TMP"
}
trap gui_cleanup EXIT

# Milliseconds since the epoch.
gui_now_ms() { echo $(($(date +%s%N) / 1000000)); }

# gui_wait_for SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds;
# fails (status 1) when SECONDS have passed.
gui_wait_for() {
  local limit_ms=$(($(gui_now_ms) + $1 * 1000))
  shift
  until "$@"; do
    [ "$(gui_now_ms)" -ge "$limit_ms" ] && return 1
    sleep 0.05
  done
}

# Re-runs the calling script inside a private network namespace with only a
# loopback interface: the program's compiled-in service port cannot collide
# with another test, and nothing reaches outside. Call it first, with "$@".
gui_private_network() {
  if [ -z "${GUI_IN_PRIVATE_NETWORK:-}" ]; then
    rm -rf "$GUI_TMP"   # exec skips the exit trap; the re-run makes its own
    GUI_IN_PRIVATE_NETWORK=1 exec unshare -n -- bash "$0" "$@"
  fi
  ip link set lo up || gui_fail "cannot bring up loopback in the private network"
}

gui_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# Tests running side by side each have a network namespace of their own, in
# which every display number looks free to Xvfb, so all of them took :0; but
# what Xvfb keeps per display number on the shared file system (the keymap it
# compiles, the socket in /tmp/.X11-unix) is then shared too, and the servers
# break each other ("Failed to compile keymap", a window manager that cannot
# open the display). A lock held for the test's lifetime claims a number of
# its own across namespaces.
_gui_claim_display() {
  local n
  for n in $(seq 20 199); do
    exec {GUI_DISPLAY_LOCK}>"/tmp/.gui-test-display-$n.lock"
    if flock -n "$GUI_DISPLAY_LOCK"; then
      GUI_DISPLAY_NUMBER=$n
      return 0
    fi
    exec {GUI_DISPLAY_LOCK}>&-
  done
  gui_fail "no free display number"
}

# gui_start_display WIDTHxHEIGHT: a fresh X display with metacity on it;
# exports DISPLAY.
gui_start_display() {
  local size=$1
  _gui_claim_display
  : >"$GUI_TMP/display"
  Xvfb ":$GUI_DISPLAY_NUMBER" -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$GUI_TMP/display" \
    2>"$GUI_TMP/xvfb.log" &
  GUI_XVFB_PID=$!
  gui_wait_for 60 test -s "$GUI_TMP/display" || gui_fail "Xvfb did not start: $(tail -n 5 "$GUI_TMP/xvfb.log")"
  export DISPLAY=":$(head -n1 "$GUI_TMP/display")"

  # The program's and the window manager's settings stay in memory, and
  # nothing they write lands in the real home folder.
  export HOME="$GUI_TMP/home" XDG_CONFIG_HOME="$GUI_TMP/config" XDG_DATA_HOME="$GUI_TMP/data"
  export XDG_CACHE_HOME="$GUI_TMP/cache" GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
  mkdir -p "$HOME" "$XDG_CONFIG_HOME/gtk-3.0" "$XDG_DATA_HOME/applications" "$XDG_CACHE_HOME"
  # Steady pictures: no blinking caret, no fading focus rings.
  printf '[Settings]\ngtk-cursor-blink=false\ngtk-enable-animations=false\n' >"$XDG_CONFIG_HOME/gtk-3.0/settings.ini"

  # Under load metacity now and then gives up at once ("Unable to open X
  # display") on a server that is up: start it again rather than wait a
  # minute for a window manager that is gone.
  local attempt
  for attempt in 1 2 3; do
    metacity >"$GUI_TMP/metacity.log" 2>&1 &
    GUI_WM_PID=$!
    gui_wait_for 60 eval 'gui_wm_ready || ! kill -0 $GUI_WM_PID 2>/dev/null'
    gui_wm_ready && return 0
    kill -0 "$GUI_WM_PID" 2>/dev/null && break
  done
  gui_fail "window manager did not start on $DISPLAY: $(tail -n 5 "$GUI_TMP/metacity.log")
Xvfb: $(tail -n 5 "$GUI_TMP/xvfb.log")"
}

# gui_start_app BINARY: runs the program in a session bus of its own, from
# $HOME, with its output in the app log.
gui_start_app() {
  (cd "$HOME" && exec dbus-run-session -- "$1") >"$GUI_TMP/app.log" 2>&1 &
  GUI_APP_PID=$!
}

# The program's own process id (a child of dbus-run-session), or nothing.
gui_program_pid() { pgrep -P "$GUI_APP_PID" -x "${1:-youtube-to-mp4}" | head -n1; }

# True while the program runs (an ended child stays a zombie until waited for).
gui_app_running() {
  [ -n "$GUI_APP_PID" ] && [ -e "/proc/$GUI_APP_PID" ] && ! grep -q ') Z ' "/proc/$GUI_APP_PID/stat" 2>/dev/null
}

gui_find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }

# gui_wait_window TITLE_REGEX [SECONDS]: prints the id of the first visible
# window whose title matches.
gui_wait_window() {
  local regex=$1 limit=${2:-30} wid="" limit_ms
  limit_ms=$(($(gui_now_ms) + limit * 1000))
  while [ -z "$wid" ]; do
    wid=$(gui_find_window "$regex")
    [ -n "$wid" ] && break
    [ "$(gui_now_ms)" -ge "$limit_ms" ] && gui_fail "no window titled /$regex/ within ${limit}s"
    sleep 0.05
  done
  echo "$wid"
}

# gui_window_absent TITLE_REGEX SECONDS: true when no such window appears
# within SECONDS.
gui_window_absent() {
  ! gui_wait_for "$2" test -n "$(gui_find_window "$1")"
}

# gui_client_geometry WID: "x y width height" of the client area on screen.
gui_client_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                           /^  Width/ {w=$NF} /^  Height/ {h=$NF} END {print x, y, w, h}'
}

# gui_frame_extents WID: "left right top bottom" of the window manager's frame.
gui_frame_extents() {
  xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ','
}

gui_screenshot() { import -window root "$1"; }

# gui_activate WID: gives the window the keyboard focus.
# --sync waits for the window manager without a limit of its own: bound it.
gui_activate() {
  timeout 10 xdotool windowactivate --sync "$1" >/dev/null 2>&1 || timeout 10 xdotool windowfocus --sync "$1"
}

gui_key() { xdotool key --clearmodifiers "$@"; }

# gui_click WID X Y: a left click at client coordinates X Y.
gui_click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# gui_close WID: asks the window to close as its close box does
# (WM_DELETE_WINDOW through the window manager).
gui_close() { wmctrl -i -c "$1"; }

# gui_wait_exit SECONDS: waits for the program to end and sets GUI_EXIT_CODE.
gui_wait_exit() {
  gui_wait_for "$1" eval '! gui_app_running' || gui_fail "program still running after ${1}s"
  wait "$GUI_APP_PID"
  GUI_EXIT_CODE=$?
}

# gui_region_mean FILE X Y W H: mean brightness (0..1) of a region.
gui_region_mean() { convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -colorspace Gray -format '%[fx:mean]' info:; }

# gui_region_varies FILE X Y W H: true when the region is not one flat colour.
gui_region_varies() {
  local sd
  sd=$(convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -colorspace Gray -format '%[fx:standard_deviation]' info:)
  awk -v sd="$sd" 'BEGIN { exit !(sd > 0.01) }'
}

# gui_regions_differ FILE_A FILE_B X Y W H: true when the region differs.
gui_regions_differ() {
  local geometry="${5}x${6}+${3}+${4}" peak
  peak=$(convert \( "$1" -crop "$geometry" +repage \) \( "$2" -crop "$geometry" +repage \) \
           -compose difference -composite -colorspace Gray -format '%[fx:maxima]' info:)
  awk -v p="$peak" 'BEGIN { exit !(p > 0) }'
}

# gui_answer_save_dialog WID PATH: types PATH as the file name and accepts.
# Return can first be taken by the name's completion popup, so it is pressed
# again while the dialog stays.
gui_answer_save_dialog() {
  local attempt
  gui_activate "$1"
  gui_key ctrl+a
  xdotool type --delay 5 "$2"
  for attempt in 1 2 3 4 5; do
    gui_key Return
    gui_wait_for 2 eval '! xdotool search --onlyvisible --name "^Select the name For the Mp4\$" >/dev/null 2>&1' && return 0
  done
  gui_fail "save dialog did not take $2"
}

# gui_install_folder_handler: makes a recording script the desktop's handler
# for folders; every folder it is asked to open is appended to
# $GUI_TMP/opened-folders (with the handler's working directory).
gui_install_folder_handler() {
  local handler="$GUI_TMP/open-folder"
  printf '#!/bin/sh\necho "$1 cwd=$(pwd)" >>"%s/opened-folders"\n' "$GUI_TMP" >"$handler"
  chmod +x "$handler"
  printf '[Desktop Entry]\nType=Application\nName=Recorder\nExec=%s %%u\nMimeType=inode/directory;\n' \
    "$handler" >"$XDG_DATA_HOME/applications/recorder.desktop"
  printf '[Default Applications]\ninode/directory=recorder.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
}

# --- This program's window -------------------------------------------------

GUI_MAIN_TITLE='^Youtube to Mp4 - '

# gui_control_box NAME CLIENT_WIDTH CLIENT_HEIGHT: "x y w h" of a control in
# client coordinates, as the window lays them out.
gui_control_box() {
  case $1 in
    label) echo "10 14 250 55" ;;
    field) echo "235 10 100 25" ;;
    download) echo "350 10 100 25" ;;
    openfolder) echo "350 40 100 25" ;;
    pane) echo "10 150 $(($2 - 20)) $(($3 - 160))" ;;
    progress) echo "$(($2 / 2 - 150)) 70 300 50" ;;
  esac
}

# gui_screen_box WID NAME: the control's box in screen coordinates.
gui_screen_box() {
  local cx cy cw ch x y w h
  read -r cx cy cw ch <<<"$(gui_client_geometry "$1")"
  read -r x y w h <<<"$(gui_control_box "$2" "$cw" "$ch")"
  echo "$((cx + x)) $((cy + y)) $w $h"
}

_gui_progress_drawn() {
  gui_screenshot "$GUI_TMP/built.png" && gui_region_varies "$GUI_TMP/built.png" $(gui_screen_box "$1" progress)
}

# gui_wait_built WID: waits until the last control (the progress bar, created
# once the browser pane is ready) is on the screen.
gui_wait_built() { gui_wait_for "${2:-30}" _gui_progress_drawn "$1" || gui_fail "controls not built in time"; }

# gui_open_app BINARY: starts the program and waits until its window is up
# with every control drawn; the window's id is then in GUI_WID.
gui_open_app() {
  gui_start_app "$1"
  GUI_WID=$(gui_wait_window "$GUI_MAIN_TITLE")
  gui_wait_built "$GUI_WID"
}
