#!/usr/bin/env bash
# The benchmark, in one command (as root or with sudo for the packages):
#
#   bench/run.sh [RUNS]        RUNS rounds per measurement, default 12
#                              (a multiple of 6 lets every client order come
#                              up equally often)
#
# Installs what is missing, builds the program and the bench tools (Release)
# into $BENCH_BUILD_DIR (default build-bench/), then measures downloads
# (bench/transfer.sh) and start-up (bench/startup.sh) and prints medians and
# ratios. The raw lines stay in the build folder's bench/results-*.txt.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-12}
build=${BENCH_BUILD_DIR:-$root/build-bench}

# What building and the display need, then what only the benchmark needs.
"$root/scripts/install-deps.sh"
bench_packages=(nginx-light curl wget)
missing=()
for p in "${bench_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_BENCH=ON >/dev/null
cmake --build "$build" --target youtube-to-mp4 bench_transfer bench_measure bench_startup bench_reference service_banner

results=$build/bench/results-$(date -u +%Y%m%dT%H%M%SZ).txt
: >"$results"
echo "bench/run.sh $runs, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$(curl --version | head -n1 | cut -d' ' -f1-2), $(wget --version | head -n1 | cut -d' ' -f1-3)," \
  "$(/usr/sbin/nginx -v 2>&1 | sed 's/.*: //')"
bash "$root/bench/transfer.sh" "$build" "$runs" "$results"
bash "$root/bench/startup.sh" "$build" "$runs" "$results"
echo "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
echo
awk -f "$root/bench/summarize.awk" "$results"
