#!/usr/bin/env bash
# Installs what is missing, builds Dravik and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build
cmake --build build -j"$(nproc)" --target dravik

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<MSG
Dravik is a desktop program and needs a display, but none is set (DISPLAY is empty).
Start it from a graphical session, or run it on a virtual display with Xvfb:
  xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" scripts/run.sh
MSG
  exit 1
fi
exec build/src/app/dravik
