#!/usr/bin/env bash
# Start-up: exec to the banner page loaded in the pane (its picture asked
# for), the program against bench_reference, under Xvfb with metacity, in a
# private network namespace where bench_startup plays the service host on the
# program's compiled-in port. Called by bench/run.sh:
#
#   bench/startup.sh BUILD_DIR RUNS RESULT_FILE
set -euo pipefail

if [ -z "${BENCH_IN_PRIVATE_NETWORK:-}" ]; then
  BENCH_IN_PRIVATE_NETWORK=1 exec unshare -n -- bash "$0" "$@"
fi
ip link set lo up

build=$(cd "$1" && pwd)
runs=$2
results=$3

service_host=$(sed -n 's/^SERVICE_HOST:STRING=//p' "$build/CMakeCache.txt")
case $service_host in
  127.0.0.1:*) port=${service_host#127.0.0.1:} ;;
  *) echo "the program's service host $service_host is not on 127.0.0.1: cannot play it here" >&2; exit 1 ;;
esac
banner=$build/service/ad.png
[ -s "$banner" ] || { echo "no banner picture at $banner" >&2; exit 1; }

tmp=$(mktemp -d /tmp/yt-bench-startup.XXXXXX)
xvfb_pid=""
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# wait_for SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds.
wait_for() {
  local i
  for i in $(seq $(($1 * 20))); do
    "${@:2}" && return 0
    sleep 0.05
  done
  return 1
}

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
wait_for 15 test -s "$tmp/display" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"
# Both programs get the same fresh, empty settings and caches.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_CACHE_HOME="$tmp/cache"
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
metacity >"$tmp/metacity.log" 2>&1 &
wm_pid=$!
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 15 wm_ready || { echo "metacity did not start" >&2; exit 1; }

echo "start-up: $runs rounds on $DISPLAY, service host 127.0.0.1:$port" >&2
cd "$HOME"
# Services that the session bus starts print to its output too: only the
# timing lines are kept.
dbus-run-session -- "$build/bench/bench_startup" "$port" "$banner" "$runs" \
  "ours=$build/youtube-to-mp4" "reference=$build/bench/bench_reference" \
  "reference-software=$build/bench/bench_reference,--software" 2>"$tmp/programs.log" |
  sed -n -E 's/^(ours|reference[a-z-]*) ([0-9.]+)$/startup \1 \2/p' >>"$results" || { tail -n 20 "$tmp/programs.log" >&2; exit 1; }
