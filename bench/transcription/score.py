"""Scores dravik-transcribe and aubiopitch against the reference notes:
frame-level precision, recall and F1 on a 10 ms grid (mir_eval multipitch),
the octave-error rate on single notes, and the median latency from a note's
onset to its first correct detection."""
import sys
from collections import defaultdict
from pathlib import Path

import mir_eval
import numpy as np

HOP = 0.01


def read_notes(path):
    notes = []
    for line in open(path):
        if line.startswith("#") or line.startswith("onset"):
            continue
        on, off, note = line.strip().split(",")[:3]
        notes.append((float(on), float(off), int(note)))
    return notes


def note_frames(notes, times):
    frames = [set() for _ in times]
    for on, off, note in notes:
        for i in range(int(np.ceil(on / HOP)), min(len(times), int(np.ceil(off / HOP)))):
            frames[i].add(note)
    return frames


def aubio_frames(path, times):
    data = np.loadtxt(path, ndmin=2)
    frames = [set() for _ in times]
    if data.size == 0:
        return frames
    for i, t in enumerate(times):
        j = np.searchsorted(data[:, 0], t, side="right") - 1
        if j >= 0 and data[j, 1] > 0:
            frames[i].add(int(round(data[j, 1])))
    return frames


def to_hz(frames):
    return [np.array([440.0 * 2 ** ((n - 69) / 12) for n in sorted(f)]) for f in frames]


class Score:
    def __init__(self):
        self.ref, self.est = [], []
        self.octave = 0
        self.voiced = 0
        self.latencies = []

    def add(self, notes, ref, est, times):
        self.ref += ref
        self.est += est
        for r, e in zip(ref, est):
            if len(r) == 1 and e:
                self.voiced += 1
                (n,) = r
                if n not in e and any((m - n) % 12 == 0 for m in e):
                    self.octave += 1
        for on, off, note in notes:
            for i in range(int(np.ceil(on / HOP)), min(len(times), int(np.ceil(off / HOP)))):
                if note in est[i]:
                    self.latencies.append(times[i] - on)
                    break

    def row(self):
        times = np.arange(len(self.ref)) * HOP
        m = mir_eval.multipitch.evaluate(times, to_hz(self.ref), times, to_hz(self.est))
        p, r = m["Precision"], m["Recall"]
        f = 2 * p * r / (p + r) if p + r > 0 else 0.0
        octave = 100.0 * self.octave / self.voiced if self.voiced else 0.0
        latency = 1000.0 * float(np.median(self.latencies)) if self.latencies else float("nan")
        return p * 100, r * 100, f * 100, octave, latency


def main():
    work = Path(sys.argv[1])
    scores = defaultdict(lambda: {"dravik": Score(), "aubiopitch": Score()})
    for ref_path in sorted(work.glob("*.ref.csv")):
        base = str(ref_path)[: -len(".ref.csv")]
        category = open(ref_path).readline()[2:].strip()
        notes = read_notes(ref_path)
        end = max(off for _, off, _ in notes) + 1.0
        times = np.arange(0.0, end, HOP)
        ref = note_frames(notes, times)
        est = {"dravik": note_frames(read_notes(base + ".dravik.csv"), times),
               "aubiopitch": aubio_frames(base + ".aubiopitch.txt", times)}
        for key in ("overall", category):
            for system, frames in est.items():
                scores[key][system].add(notes, ref, frames, times)
    for key in [k for k in scores if k != "overall"] + ["overall"]:
        print(f"\n{key}")
        print(f"| system | precision % | recall % | F1 % | octave errors % | median latency ms |")
        print("|---|---|---|---|---|---|")
        for system, score in scores[key].items():
            p, r, f, o, lat = score.row()
            print(f"| {system} | {p:.1f} | {r:.1f} | {f:.1f} | {o:.1f} | {lat:.0f} |")


if __name__ == "__main__":
    main()
