"""Scores dravik-transcribe and its peers against the reference notes.

Per category and overall, for every system whose output is there:
- note onset P/R/F1: mir_eval.transcription, onset within 50 ms, pitch within
  50 cents, offsets ignored;
- note F1 with offsets: mir_eval's default (offset within 20 % of the note or 50 ms);
- frame P/R/F1 on a 10 ms grid (mir_eval multipitch);
- onset and offset error of the onset-matched notes, median and 90th percentile, ms
  (signed: positive is late);
- octave errors: the share of single-note frames with an estimate that holds an
  octave (or more) of the note but not the note itself.
aubiopitch writes frames only: its note columns stay empty."""
import sys
from collections import defaultdict
from pathlib import Path

import mir_eval
import numpy as np

HOP = 0.01
SYSTEMS = ("dravik", "basic_pitch", "aubionotes", "aubiopitch")


def read_notes(path):
    notes = []
    for line in open(path):
        if line.startswith("#") or line.startswith("onset"):
            continue
        on, off, note = line.strip().split(",")[:3]
        notes.append((float(on), max(float(off), float(on) + 0.001), int(note)))
    return notes


def note_frames(notes, times):
    frames = [set() for _ in times]
    for on, off, note in notes:
        for i in range(int(np.ceil(on / HOP - 1e-9)), min(len(times), int(np.ceil(off / HOP - 1e-9)))):
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


def hz(notes):
    return np.array([440.0 * 2 ** ((n - 69) / 12) for n in notes], float)


def intervals(notes):
    return np.array([(on, off) for on, off, _ in notes], float).reshape(-1, 2)


class Score:
    def __init__(self):
        self.frame = [0.0, 0.0, 0.0]  # matched, reference, estimated
        self.onset = [0, 0, 0]
        self.offset = [0, 0, 0]
        self.onset_errors, self.offset_errors = [], []
        self.octave = 0
        self.voiced = 0
        self.has_notes = False

    def add_frames(self, ref, est):
        rf = mir_eval.multipitch.frequencies_to_midi([hz(sorted(f)) for f in ref])
        ef = mir_eval.multipitch.frequencies_to_midi([hz(sorted(f)) for f in est])
        tp = mir_eval.multipitch.compute_num_true_positives(rf, ef)
        self.frame = [self.frame[0] + float(np.sum(tp)), self.frame[1] + sum(len(f) for f in ref),
                      self.frame[2] + sum(len(f) for f in est)]
        for r, e in zip(ref, est):
            if len(r) == 1 and e:
                self.voiced += 1
                (n,) = r
                if n not in e and any((m - n) % 12 == 0 for m in e):
                    self.octave += 1

    def add_notes(self, ref, est):
        self.has_notes = True
        self.onset[1] += len(ref)
        self.onset[2] += len(est)
        self.offset[1] += len(ref)
        self.offset[2] += len(est)
        if not ref or not est:
            return
        riv, rp, eiv, ep = intervals(ref), hz(n for *_, n in ref), intervals(est), hz(n for *_, n in est)
        matched = mir_eval.transcription.match_notes(riv, rp, eiv, ep, onset_tolerance=0.05,
                                                     pitch_tolerance=50.0, offset_ratio=None)
        self.onset[0] += len(matched)
        for i, j in matched:
            self.onset_errors.append(eiv[j, 0] - riv[i, 0])
            self.offset_errors.append(eiv[j, 1] - riv[i, 1])
        self.offset[0] += len(mir_eval.transcription.match_notes(riv, rp, eiv, ep, onset_tolerance=0.05,
                                                                 pitch_tolerance=50.0))

    def row(self):
        def prf(c):
            p = c[0] / c[2] if c[2] else 0.0
            r = c[0] / c[1] if c[1] else 0.0
            return p, r, 2 * p * r / (p + r) if p + r else 0.0

        def ms(errors):
            if not errors:
                return "– / –"
            e = 1000.0 * np.array(errors)
            return f"{np.median(e):.0f} / {np.percentile(np.abs(e), 90):.0f}"

        fp, fr, ff = prf(self.frame)
        octave = 100.0 * self.octave / self.voiced if self.voiced else 0.0
        if not self.has_notes:
            return f"– | – | – | – | {fp:.2f} | {fr:.2f} | {ff:.2f} | – | – | {octave:.1f}"
        op, orr, of = prf(self.onset)
        nf = prf(self.offset)[2]
        return (f"{op:.2f} | {orr:.2f} | {of:.2f} | {nf:.2f} | {fp:.2f} | {fr:.2f} | {ff:.2f} | "
                f"{ms(self.onset_errors)} | {ms(self.offset_errors)} | {octave:.1f}")


def main():
    work = Path(sys.argv[1])
    scores = defaultdict(dict)
    counts = defaultdict(int)
    for ref_path in sorted(work.glob("*.ref.csv")):
        base = str(ref_path)[: -len(".ref.csv")]
        category = open(ref_path).readline()[2:].strip()
        notes = read_notes(ref_path)
        end = max(off for _, off, _ in notes) + 1.0
        times = np.arange(0.0, end, HOP)
        ref = note_frames(notes, times)
        for key in ("overall", category):
            counts[key] += len(notes)
        for system in SYSTEMS:
            if system == "aubiopitch":
                path = Path(base + ".aubiopitch.txt")
                if not path.exists():
                    continue
                est_notes, est = None, aubio_frames(path, times)
            else:
                path = Path(f"{base}.{system}.csv")
                if not path.exists():
                    continue
                est_notes = read_notes(path)
                est = note_frames(est_notes, times)
            for key in ("overall", category):
                score = scores[key].setdefault(system, Score())
                score.add_frames(ref, est)
                if est_notes is not None:
                    score.add_notes(notes, est_notes)
    for key in [k for k in scores if k != "overall"] + ["overall"]:
        print(f"\n{key} ({counts[key]} notes)")
        print("| system | onset P | onset R | onset F1 | note F1 (offsets) | frame P | frame R | frame F1 "
              "| onset error ms (median / p90) | offset error ms (median / p90) | octave errors % |")
        print("|---|---|---|---|---|---|---|---|---|---|---|")
        for system in SYSTEMS:
            if system in scores[key]:
                print(f"| {system} | {scores[key][system].row()} |")


if __name__ == "__main__":
    main()
