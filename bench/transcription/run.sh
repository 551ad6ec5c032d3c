#!/usr/bin/env bash
# Transcription benchmark: writes its own MIDI note sets, renders them with
# FluidSynth (FluidR3 GM, reverb and chorus off, 44.1 kHz), transcribes them
# with dravik-transcribe and with aubio, and scores both.
# Usage: bench/transcription/run.sh [BUILD_DIR]   (default: build)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
work="$build/bench-transcription"

"$here/install-deps.sh"
cmake --build "$build" --target dravik-transcribe -j2 >/dev/null
mkdir -p "$work"
# Debian's Python, where python3-mir-eval is installed.
py=/usr/bin/python3
"$py" "$here/make_sets.py" "$work"
for mid in "$work"/*.mid; do
  base="${mid%.mid}"
  [ -s "$base.wav" ] || fluidsynth -ni -q -R 0 -C 0 -r 44100 -g 0.5 -F "$base.wav" \
    /usr/share/sounds/sf2/FluidR3_GM.sf2 "$mid" >/dev/null 2>&1
  "$build/src/transcribe/dravik-transcribe" -q "$base.wav" --csv "$base.dravik.csv"
  aubiopitch -u midi -s -50 -i "$base.wav" > "$base.aubiopitch.txt"
done
"$py" "$here/score.py" "$work"
