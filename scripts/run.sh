#!/usr/bin/env bash
# Runs the program with the bundled local conversion service.
#
# Installs the Debian packages that are missing, builds into build/ (or
# $BUILD_DIR), starts yt-local-service on the host compiled into the program
# and opens the window; the service stops when the window is closed.
#
# Without a usable display (or with --headless) it shows what the program
# does instead: the same program and service run on a virtual display
# (Xvfb + metacity) in a network namespace of their own, the sample video is
# downloaded through the real window (this script answers the save dialog),
# and the MP4 and a screenshot of the window are left in out/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-build}
case $build in /*) ;; *) build="$top/$build" ;; esac
out="$top/out"

say() { echo "run.sh: $*" >&2; }

display_usable() { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }

# The address the program asks, as it was compiled in.
service_host() { sed -n 's/^SERVICE_HOST:STRING=//p' "$build/CMakeCache.txt"; }

# --- With a display: the window, for the user --------------------------------

run_on_display() {
  local service_out service_err service_pid
  service_out=$(mktemp) service_err=$(mktemp)
  "$build/yt-local-service" >"$service_out" 2>"$service_err" &
  service_pid=$!
  # shellcheck disable=SC2064  # the names are fixed now
  trap "kill $service_pid 2>/dev/null; wait $service_pid 2>/dev/null; rm -f '$service_out' '$service_err'" EXIT

  # Listening once it has printed its port; an early end means it could not.
  local tries=0
  until [ -s "$service_out" ]; do
    if ! kill -0 "$service_pid" 2>/dev/null; then
      cat "$service_err" >&2
      say "the local service could not listen on $(service_host): is the port taken (another copy running)?"
      say "stop whatever listens there (ss -ltnp | grep ${SERVICE_PORT}) and run again"
      exit 1
    fi
    tries=$((tries + 1))
    [ "$tries" -le 200 ] || { say "the local service did not start within 10 s"; exit 1; }
    sleep 0.05
  done
  say "local service on $(service_host); opening the window (close it to stop both)"
  "$build/youtube-to-mp4" || true
}

# --- Without a display: a download through the real window on Xvfb ----------

run_headless_demo() {
  # The harness of the GUI tests: display, window manager, program, dialog.
  source "$top/tests/gui/lib.sh"
  source "$top/tests/gui/e2e_lib.sh"
  # The harness reports its own failures (gui_fail) and expects commands
  # that may fail, as in its tests.
  set +e +o pipefail
  local video="$out/$E2E_SAMPLE_ID.mp4" shot="$out/window.png" wid

  mkdir -p "$out"
  rm -f "$video" "$shot"
  say "no display: running on a virtual display (Xvfb + metacity)"
  gui_start_display 1920x1080
  # In the private namespace nothing else can hold the port; outside one a
  # taken port is reported clearly.
  "$build/yt-local-service" >"$GUI_TMP/service.out" 2>"$E2E_SERVICE_LOG" &
  E2E_SERVICE_PID=$!
  gui_wait_for 10 eval '[ -s "$GUI_TMP/service.out" ] || ! kill -0 $E2E_SERVICE_PID 2>/dev/null' || true
  if [ ! -s "$GUI_TMP/service.out" ]; then
    cat "$E2E_SERVICE_LOG" >&2
    gui_fail "the local service could not listen on $(service_host): is the port taken?"
  fi

  gui_start_app "$build/youtube-to-mp4"
  wid=$(gui_wait_window "$GUI_MAIN_TITLE" 60)
  gui_wait_built "$wid" 60
  say "pressing Download for the sample video $E2E_SAMPLE_ID, saving as $video"
  e2e_download "$wid" "$video"
  gui_wait_for 120 test -e "$video" || gui_fail "the download did not finish"
  cmp -s "$video" "$build/media/$E2E_SAMPLE_ID.mp4" || gui_fail "the saved video differs from the served one"
  _demo_shows_video() { gui_screenshot "$GUI_TMP/screen.png" && e2e_pane_shows_video "$GUI_TMP/screen.png" "$wid"; }
  gui_wait_for 30 _demo_shows_video || say "the pane did not show the video in time; screenshot taken anyway"
  # The window with its frame, cut out of the screen.
  local x y w h left right top bottom
  read -r x y w h <<<"$(gui_client_geometry "$wid")"
  read -r left right top bottom <<<"$(gui_frame_extents "$wid")"
  convert "$GUI_TMP/screen.png" -crop "$((w + left + right))x$((h + top + bottom))+$((x - left))+$((y - top))" \
    +repage "$shot"
  gui_close "$wid"
  gui_wait_exit 15

  say "done:"
  echo "  video:      $video ($(stat -c %s "$video") bytes, as served)"
  echo "  screenshot: $shot"
}

# Runs this script again in a network namespace with only a loopback
# interface, so the compiled-in port cannot collide with anything. Needs root
# or unprivileged user namespaces; without either it runs here and then.
headless_in_private_network() {
  local flags
  for flags in -n -rn; do
    if unshare "$flags" true 2>/dev/null; then
      RUN_SH_STAGE=headless exec unshare "$flags" -- bash "$0"
    fi
  done
  say "no network namespace available: the service shares this machine's ports"
  RUN_SH_STAGE=headless-shared exec bash "$0"
}

case ${RUN_SH_STAGE:-} in
  headless)
    ip link set lo up
    run_headless_demo
    exit 0
    ;;
  headless-shared)
    run_headless_demo
    exit 0
    ;;
esac

headless=0
for arg in "$@"; do
  case $arg in
    --headless) headless=1 ;;
    *) say "usage: scripts/run.sh [--headless]"; exit 2 ;;
  esac
done

"$top/scripts/install-deps.sh"
BUILD_DIR=$build "$top/scripts/build.sh"
SERVICE_PORT=$(service_host | sed -n 's/.*:\([0-9]*\)$/\1/p')

if [ "$headless" = 0 ] && display_usable; then
  run_on_display
else
  headless_in_private_network
fi
