"""Onset-to-note-on latency: for every reference note matched by a note-on
(onset within 50 ms, same pitch), the time from the reference onset to the end
of the analysed audio when the note-on went out; median and 90th percentile.
Measured as the scene feeds the analysis (a hop of samples at a time) and, where
dravik-latency --every-block wrote it, with the samples handed over block by block."""
import sys
from pathlib import Path

import mir_eval
import numpy as np

from score import hz, intervals, read_notes


def latencies(work, suffix):
    found = []
    for ref_path in sorted(work.glob("*.ref.csv")):
        base = str(ref_path)[: -len(".ref.csv")]
        if not Path(base + suffix).exists():
            continue
        ref = read_notes(ref_path)
        rows = [line.strip().split(",") for line in open(base + suffix)][1:]
        if not rows or not ref:
            continue
        est = [(float(on), float(on) + 0.1, int(n)) for on, _, n in rows]
        emitted = [float(e) for _, e, _ in rows]
        matched = mir_eval.transcription.match_notes(intervals(ref), hz(n for *_, n in ref), intervals(est),
                                                     hz(n for *_, n in est), onset_tolerance=0.05,
                                                     pitch_tolerance=50.0, offset_ratio=None)
        found += [emitted[j] - ref[i][0] for i, j in matched]
    return 1000.0 * np.array(found)


def main():
    work = Path(sys.argv[1])
    for suffix, how in ((".latency.csv", "live onset-to-note-on latency (scene, a hop at a time)"),
                        (".latency-block.csv", "onset-to-note-on latency with samples block by block")):
        ms = latencies(work, suffix)
        if len(ms):
            print(f"\n{how} over {len(ms)} matched notes: "
                  f"median {np.median(ms):.0f} ms, p90 {np.percentile(ms, 90):.0f} ms")


if __name__ == "__main__":
    main()
