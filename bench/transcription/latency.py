"""Onset-to-note-on latency: for every reference note matched by a note-on
(onset within 50 ms, same pitch), the time from the reference onset to the end
of the analysed audio when the note-on went out; median and 90th percentile."""
import sys
from pathlib import Path

import mir_eval
import numpy as np

from score import hz, intervals, read_notes


def main():
    work = Path(sys.argv[1])
    latencies = []
    for ref_path in sorted(work.glob("*.ref.csv")):
        base = str(ref_path)[: -len(".ref.csv")]
        ref = read_notes(ref_path)
        rows = [line.strip().split(",") for line in open(base + ".latency.csv")][1:]
        if not rows or not ref:
            continue
        est = [(float(on), float(on) + 0.1, int(n)) for on, _, n in rows]
        emitted = [float(e) for _, e, _ in rows]
        matched = mir_eval.transcription.match_notes(intervals(ref), hz(n for *_, n in ref), intervals(est),
                                                     hz(n for *_, n in est), onset_tolerance=0.05,
                                                     pitch_tolerance=50.0, offset_ratio=None)
        latencies += [emitted[j] - ref[i][0] for i, j in matched]
    ms = 1000.0 * np.array(latencies)
    print(f"\nlive onset-to-note-on latency over {len(ms)} matched notes: "
          f"median {np.median(ms):.0f} ms, p90 {np.percentile(ms, 90):.0f} ms")


if __name__ == "__main__":
    main()
