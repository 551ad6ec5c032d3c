#!/usr/bin/env python3
"""Plays the default 440 Hz tone through the real program while busy loops keep
CPU cores occupied, records the output with OpenAL Soft's wave backend, and
reports what a listener would hear go wrong: silent gaps inside the tone, and
jumps (a step between two samples larger than the tone itself can make, as
when an old buffer is replayed). Also prints the program's own underrun line.

Run on an X display (xvfb-run), from a build tree:
  tools/sound_under_load.py --binary build/src/app/dravik \
      --close-tool build/tools/dravik_close_window --seconds 60 --busy 1
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from dravik_e2e import (GENERATOR_ENABLED, GENERATOR_NODE, GENERATOR_ROWS, MAIN_MENU_ROWS, MUTE_AUDIO,  # noqa: E402
                        Dravik, open_tree_node, other_panel, set_checkbox, wait_for_panels, wait_until,
                        wave_recording)
from test_sound import read_recording  # noqa: E402

SILENCE = 1e-4


def silent_runs(x, shortest):
    """(start, length) of every run of at least `shortest` samples below SILENCE."""
    quiet = np.concatenate(([False], np.abs(x) < SILENCE, [False]))
    edges = np.flatnonzero(quiet[1:] != quiet[:-1])
    starts, ends = edges[0::2], edges[1::2]
    keep = ends - starts >= shortest
    return list(zip(starts[keep], (ends - starts)[keep]))


def analyse(samples, rate, amplitude, frequency):
    x = samples[:, 0].astype(np.float64)
    loud = np.flatnonzero(np.abs(x) > SILENCE)
    if len(loud) == 0:
        return None
    tone = x[loud[0]:loud[-1] + 1]
    # A sine of this amplitude and frequency never sits below SILENCE for 3 samples running.
    gaps = silent_runs(tone, 3)
    steepest = amplitude * 2 * np.pi * frequency / rate
    steps = np.abs(np.diff(tone))
    for start, _ in gaps:
        # The drop into a gap is where the last queued buffer ended, not a jump within the sound.
        if start > 0:
            steps[start - 1] = 0.0
    jumps = int(np.count_nonzero(steps > 1.5 * steepest + 1e-3))
    return {
        "seconds": len(tone) / rate,
        "gaps": len(gaps),
        "longest_gap_ms": max((n for _, n in gaps), default=0) * 1000.0 / rate,
        "jumps": jumps,
        "largest_step": float(steps.max()) if len(steps) else 0.0,
        "peak": float(np.abs(tone).max()),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", required=True)
    parser.add_argument("--close-tool", required=True)
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--busy", type=int, default=1, help="busy loops to run beside the program")
    parser.add_argument("--null", action="store_true",
                        help="play to OpenAL Soft's null device (no file written); only the program's count")
    parser.add_argument("--rt-mixer", action="store_true",
                        help="give OpenAL's emulated device thread real-time priority, as a sound server has")
    parser.add_argument("--artifacts", default=tempfile.gettempdir())
    args = parser.parse_args()

    wav, environment = wave_recording(args.artifacts, "sound-under-load", rt_mixer=args.rt_mixer)
    if args.null:
        environment["ALSOFT_DRIVERS"] = "null"

    busy = []
    with Dravik(args.binary, args.close_tool, args.artifacts, "sound-under-load", env=environment) as dravik:
        dravik.wait_for_centred_window()
        generator = wait_for_panels(dravik)
        generator = dravik.drag_panel(generator, (700, 420))
        menu = other_panel(dravik.screenshot(), generator)
        open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, first_child=GENERATOR_NODE + 1)
        set_checkbox(dravik, generator, GENERATOR_ROWS, GENERATOR_ENABLED, True, indent=1)
        set_checkbox(dravik, menu, MAIN_MENU_ROWS, MUTE_AUDIO, False)
        try:
            busy = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(args.busy)]
            started = time.monotonic()
            load = []
            while time.monotonic() - started < args.seconds:
                dravik.assert_running()
                time.sleep(min(5.0, args.seconds))
                load.append(os.getloadavg()[0])
        finally:
            for process in busy:
                process.kill()
                process.wait()
        dravik.close(timeout=30)
        log = dravik.log()

    samples, rate = read_recording(wav)
    found = analyse(samples, rate, 0.8, 440.0)
    underruns = re.findall(r".*underrun.*", log, re.IGNORECASE)
    print(f"busy loops {args.busy}, load average {min(load):.1f}-{max(load):.1f}")
    for line in underruns:
        print(f"program: {line.strip()}")
    if args.null:
        return 0
    if found is None:
        print("no sound recorded")
        return 1
    minutes = found["seconds"] / 60.0
    print(f"tone {found['seconds']:.1f} s: {found['gaps']} gaps ({found['gaps'] / minutes:.1f}/min), "
          f"longest {found['longest_gap_ms']:.1f} ms; {found['jumps']} jumps, largest step "
          f"{found['largest_step']:.3f}; peak {found['peak']:.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
