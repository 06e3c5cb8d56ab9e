#!/usr/bin/env bash
# Downloads a 1 GiB and a 100 MiB file of random bytes from nginx on
# 127.0.0.1, through a 302, with the program's worker, curl and wget, to disk
# and to tmpfs, and prints medians and ratios. Called by bench/run.sh:
#
#   bench/transfer.sh BUILD_DIR RUNS RESULT_FILE
#
# Each saved file is compared with the served one; any difference, or a
# client that fails, stops the benchmark.
set -euo pipefail

build=$(cd "$1" && pwd)
runs=$2
results=$3
tools=$build/bench

# Served files and disk downloads on the disk; tmpfs downloads in /dev/shm.
work=$(mktemp -d "${BENCH_DISK_DIR:-/var/tmp}/yt-bench.XXXXXX")
shm=$(mktemp -d /dev/shm/yt-bench.XXXXXX)
nginx_pid=""
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$work" "$shm"
}
trap cleanup EXIT

mkdir -p "$work/www/files" "$work/tmp" "$work/out"
echo "making the served files (random bytes) in $work" >&2
head -c $((1 << 30)) /dev/urandom >"$work/www/files/big"
head -c $((100 << 20)) /dev/urandom >"$work/www/files/small"
# Written back now, not by the kernel's flusher in the middle of the runs.
sync

# nginx in the foreground as one process, on a port that was free. The
# query answers like the conversion service: the body is the file's address,
# which answers with a 302 to the file itself.
start_nginx() {
  local port=$1
  cat >"$work/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 64; }
http {
  access_log off;
  default_type application/octet-stream;
  sendfile on;
  tcp_nopush on;
  client_body_temp_path $work/tmp/body;
  proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fastcgi;
  uwsgi_temp_path $work/tmp/uwsgi;
  scgi_temp_path $work/tmp/scgi;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
    location = /vd/vd.php { default_type text/plain; return 200 "http://127.0.0.1:$port/r/\$arg_vid"; }
    location ~ ^/r/([a-z]+)\$ { return 302 /files/\$1; }
    location = /ping { return 204; }
  }
}
CONF
  /usr/sbin/nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
  nginx_pid=$!
  local i
  for i in $(seq 100); do
    kill -0 "$nginx_pid" 2>/dev/null || { wait "$nginx_pid" 2>/dev/null; nginx_pid=""; return 1; }
    curl -s -o /dev/null "http://127.0.0.1:$port/ping" && return 0
    sleep 0.05
  done
  return 1
}

port=""
for attempt in $(seq 20); do
  candidate=$((20000 + RANDOM % 40000))
  if start_nginx "$candidate"; then port=$candidate; break; fi
done
[ -n "$port" ] || { echo "nginx did not start" >&2; cat "$work/error.log" >&2; exit 1; }
echo "nginx on 127.0.0.1:$port" >&2

# One download, measured; appends "size target client wall cpu rss_kib bar_updates".
download() {
  local size=$1 target=$2 client=$3 dir=$4
  local out="$dir/$client-$size.mp4" served="$work/www/files/$size" url="http://127.0.0.1:$port/r/$size"
  local cost="$work/cost" log="$work/client.log" updates=-
  case $client in
    ours) "$tools/bench_measure" "$cost" "$tools/bench_transfer" "127.0.0.1:$port" "$size" "$out" >"$log" 2>&1 ;;
    curl) "$tools/bench_measure" "$cost" curl -s -L -o "$out" "$url" >"$log" 2>&1 ;;
    wget) "$tools/bench_measure" "$cost" wget -q -O "$out" "$url" >"$log" 2>&1 ;;
  esac || { echo "$client failed on $size to $target:" >&2; cat "$log" >&2; exit 1; }
  cmp -s "$out" "$served" || { echo "$client saved a different $size file to $target" >&2; exit 1; }
  rm -f "$out"
  [ "$client" = ours ] && updates=$(sed -n 's/.*bar_updates=\([0-9]*\).*/\1/p' "$log")
  read -r wall user sys rss _ <"$cost"
  echo "$size $target $client $wall $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.4f", u + s }') $rss $updates" \
    >>"$results"
}

# The six orders of the three clients, in turn: each client follows each
# other one equally often, since what ran just before (the memory it freed,
# the write-back it left) changes a download's speed on this kind of machine.
orders=("ours curl wget" "wget curl ours" "curl wget ours" "ours wget curl" "wget ours curl" "curl ours wget")
for size in small big; do
  for target in disk tmpfs; do
    [ "$target" = disk ] && dir=$work/out || dir=$shm
    echo "$size file to $target: $runs rounds" >&2
    sync
    for round in $(seq 0 $((runs - 1))); do
      for client in ${orders[$((round % 6))]}; do
        download "$size" "$target" "$client" "$dir"
      done
    done
  done
done
