#!/usr/bin/env bash
# The soak: builds the program with AddressSanitizer + UndefinedBehaviorSanitizer
# (build-asan/) or ThreadSanitizer (build-tsan/) and drives it with the seeded
# random driver under Xvfb, with the sound going to OpenAL Soft's wave backend
# so the audio thread really runs.
#   tests/soak/run.sh [--tsan] [--seconds N] [--seed N]
set -euo pipefail
cd "$(dirname "$0")/../.."

kind=asan
args=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --tsan) kind=tsan; shift ;;
    *) args+=("$1"); shift ;;
  esac
done

build=build-$kind
if [[ $kind == asan ]]; then
  sanitize=address,undefined,float-cast-overflow
  # Leaks are checked at exit. Mesa unloads its GL driver when the display
  # closes, before that check, and the driver's own unfreed allocations would
  # then come from an unnamed module; the preloaded module keeps it loaded, so
  # tests/lsan.supp can name it. Every report aborts.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:quarantine_size_mb=64}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
else
  sanitize=thread
  export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
fi

cmake -S . -B "$build" -DDRAVIK_WERROR=ON -DDRAVIK_SANITIZE=$sanitize -DDRAVIK_BUILD_TESTS=ON \
  -DDRAVIK_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target dravik dravik_close_window dravik_frame_counter dravik_keep_gl_driver
preload=()
[[ $kind == asan ]] && preload=(--preload "$PWD/$build/tools/libdravik_keep_gl_driver.so")

artifacts=$PWD/$build/artifacts/soak
mkdir -p "$artifacts"
printf '[general]\ndrivers = wave\n\n[wave]\nfile = %s\n' "$artifacts/soak.wav" >"$artifacts/alsoft.conf"
# Mesa renders on the frame thread: no llvmpipe workers to take the cores.
export ALSOFT_CONF=$artifacts/alsoft.conf ALSOFT_DRIVERS=wave LP_NUM_THREADS=0

xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" /usr/bin/python3 tests/soak/soak.py \
  --binary "$build/src/app/dravik" --close-tool "$build/tools/dravik_close_window" \
  --frame-counter "$build/tests/e2e/libdravik_frame_counter.so" --artifacts "$artifacts" \
  --recording "$artifacts/soak.wav" "${preload[@]}" "${args[@]}"
