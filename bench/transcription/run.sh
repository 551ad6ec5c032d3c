#!/usr/bin/env bash
# Transcription benchmark: writes its own MIDI note sets, renders them with
# FluidSynth (FluidR3 GM, reverb and chorus off, 44.1 kHz), transcribes them
# with dravik-transcribe, aubio (aubiopitch frames, aubionotes notes) and
# Spotify's Basic Pitch, and scores them all side by side; then the live
# onset-to-note-on latency of the tracker at default settings, with the
# samples handed over a hop at a time as the scene does, and block by block.
# Usage: bench/transcription/run.sh [BUILD_DIR] [--tuning] [--no-peers] [-- OPTIONS FOR dravik-transcribe]
#   --tuning    the tuning set (other instruments and melodies): choose thresholds there only
#   --no-peers  Dravik alone
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$root/build"
set_name=scored; peers=1; extra=()
while [ $# -gt 0 ]; do
  case $1 in
    --tuning) set_name=tuning ;;
    --no-peers) peers=0 ;;
    --) shift; extra=("$@"); break ;;
    *) build="$1" ;;
  esac
  shift
done
build="$(cd "$build" && pwd)"
work="$build/bench-transcription/$set_name"

"$here/install-deps.sh"
cmake --build "$build" --target dravik-transcribe dravik-latency -j2 >/dev/null
mkdir -p "$work"
# Debian's Python, where python3-mir-eval is installed.
py=/usr/bin/python3
"$py" "$here/make_sets.py" "$work" $([ "$set_name" = tuning ] && echo --tuning)
if [ $peers = 1 ] && ! cmp -s "$here/peers/package-lock.json" "$work/../peers/package-lock.json"; then
  rm -rf "$work/../peers"; cp -r "$here/peers" "$work/../peers"
  (cd "$work/../peers" && npm ci --silent --no-audit --no-fund)
fi
for mid in "$work"/*.mid; do
  base="${mid%.mid}"
  [ -s "$base.wav" ] && [ "$base.wav" -nt "$mid" ] || fluidsynth -ni -q -R 0 -C 0 -r 44100 -g 0.5 -F "$base.wav" \
    /usr/share/sounds/sf2/FluidR3_GM.sf2 "$mid" >/dev/null 2>&1
  "$build/src/transcribe/dravik-transcribe" -q "$base.wav" --csv "$base.dravik.csv" "${extra[@]}"
  "$build/bench/dravik-latency" "$base.wav" "$base.latency.csv"
  "$build/bench/dravik-latency" --every-block "$base.wav" "$base.latency-block.csv"
  [ $peers = 1 ] || continue
  [ -s "$base.aubiopitch.txt" ] && [ "$base.aubiopitch.txt" -nt "$base.wav" ] ||
    aubiopitch -u midi -s -50 -i "$base.wav" > "$base.aubiopitch.txt"
  [ -s "$base.aubionotes.csv" ] && [ "$base.aubionotes.csv" -nt "$base.wav" ] ||
    aubionotes -i "$base.wav" | awk 'BEGIN{print "onset_s,offset_s,note,velocity"} NF==3{printf "%s,%s,%d,100\n",$2,$3,$1}' \
      > "$base.aubionotes.csv"
  # Basic Pitch is slow on the CPU: its notes are kept until the sound changes.
  [ -s "$base.basic_pitch.csv" ] && [ "$base.basic_pitch.csv" -nt "$base.wav" ] ||
    node "$work/../peers/basic_pitch.mjs" "$base.wav" "$base.basic_pitch.csv" >/dev/null 2>&1
done
"$py" "$here/score.py" "$work"
"$py" "$here/latency.py" "$work"
