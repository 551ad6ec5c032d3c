#!/usr/bin/env bash
# The benchmark's own Debian packages; the plain test run does not need them.
set -euo pipefail
packages=(fluidsynth fluid-soundfont-gm aubio-tools python3-mir-eval python3-numpy sox)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node.js and npm (for Basic Pitch) may come from elsewhere than Debian; Debian's serve where neither is there.
command -v node >/dev/null && command -v npm >/dev/null || missing+=(nodejs npm)
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
