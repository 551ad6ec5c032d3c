#!/usr/bin/env bash
# Installs the Debian 12 packages Dravik needs to build, run and test.
# Runs as root, or through sudo; does nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libsfml-dev libimgui-dev libfftw3-dev libopenal-dev libgl-dev
  libsmf-dev libcli11-dev librtmidi-dev libtomlplusplus-dev libsndfile1-dev libglib2.0-dev libaubio-dev
  fonts-noto-mono
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick libx11-dev dbus-daemon
  python3 python3-numpy sox libsox-fmt-mp3 lame opus-tools
  desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo is available" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
