#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# only those that are missing. Safe to run again. With "fuzz", also what
# scripts/fuzz.sh needs (clang and its libFuzzer runtime).
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config libgtest-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev libsoup-3.0-dev libcurl4-openssl-dev
  # the pane plays H.264/AAC MP4 only with these
  gstreamer1.0-libav gstreamer1.0-gl gstreamer1.0-plugins-good
  # sample video made at build time
  ffmpeg
  # GUI tests and the headless demo
  xvfb xauth x11-utils xdotool wmctrl metacity imagemagick dbus
  # the banner picture is drawn with this font
  fonts-dejavu-core
  # private network namespaces for tests, a real server for integration tests
  iproute2 util-linux nginx-light
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
