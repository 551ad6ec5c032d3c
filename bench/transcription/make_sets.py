"""Writes the benchmark's MIDI files and their reference notes (CSV).

usage: make_sets.py OUT_DIR [--tuning]
The scored set and the tuning set use other instruments, melodies and seeds, so
that thresholds chosen on the tuning set are scored on files they never saw."""
import random
import struct
import sys
from pathlib import Path

TICKS = 480  # per quarter note; at 120 bpm one tick is 1/960 s


def varlen(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)


def write_midi(path, program, notes):
    """notes: (onset_s, offset_s, note, velocity); one track, channel 0."""
    events = [(0, bytes([0xC0, program]))]
    for on, off, note, vel in notes:
        events.append((round(on * 960), bytes([0x90, note, vel])))
        events.append((round(off * 960), bytes([0x80, note, 0])))
    events.sort(key=lambda e: (e[0], e[1][0] == 0x90))
    track, now = b"", 0
    for tick, data in events:
        track += varlen(tick - now) + data
        now = tick
    track += varlen(960) + b"\xff\x2f\x00"
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS)
    path.write_bytes(header + b"MTrk" + struct.pack(">I", len(track)) + track)


def write_set(out, name, category, program, notes):
    write_midi(out / f"{name}.mid", program, notes)
    with open(out / f"{name}.ref.csv", "w") as f:
        f.write(f"# {category}\n")
        for on, off, note, vel in notes:
            f.write(f"{on:.4f},{off:.4f},{note},{vel}\n")


SCORED = {
    "seed": 11,
    "singles": {"piano": (0, 28, 96), "guitar": (24, 40, 84), "violin": (40, 55, 96),
                "flute": (73, 60, 96), "bass": (32, 28, 55)},
    "chords": (("piano", 0), ("strings", 48), ("organ", 19)),
    "melodies": (("piano", 0, 60), ("flute", 73, 72), ("violin", 40, 67)),
}
TUNING = {
    "seed": 23,
    "singles": {"epiano": (4, 33, 93), "steelguitar": (25, 41, 83), "cello": (42, 36, 76),
                "clarinet": (71, 52, 88), "fingerbass": (33, 29, 56)},
    "chords": (("brightpiano", 1), ("choir", 52), ("accordion", 21)),
    "melodies": (("marimba", 12, 62), ("oboe", 68, 70), ("trumpet", 56, 64), ("saxophone", 65, 60)),
}


def main():
    out = Path(sys.argv[1])
    plan = TUNING if "--tuning" in sys.argv[2:] else SCORED
    rng = random.Random(plan["seed"])
    # Single notes across each instrument's range.
    for name, (program, low, high) in plan["singles"].items():
        notes, t = [], 0.5
        for note in range(low, high + 1, 2):
            notes.append((t, t + 0.8, note, rng.randint(70, 110)))
            t += 1.1
        write_set(out, f"single_{name}", "single", program, notes)
    # Two- and three-note chords.
    for name, program in plan["chords"]:
        notes, t = [], 0.5
        for i in range(24):
            size = 2 + i % 2
            root = rng.randint(43, 72)
            chord = sorted({root, *(root + rng.choice((3, 4, 5, 7, 8, 9, 12)) for _ in range(size - 1))})
            for note in chord:
                notes.append((t, t + 1.2, note, rng.randint(70, 100)))
            t += 1.5
        write_set(out, f"chords_{name}", "chords", program, notes)
    # Melodies: a random walk in a major scale.
    scale = [0, 2, 4, 5, 7, 9, 11]
    for name, program, base in plan["melodies"]:
        notes, t, step = [], 0.5, 7
        for i in range(48):
            step = max(0, min(14, step + rng.choice((-2, -1, -1, 1, 1, 2))))
            note = base - 12 + 12 * (step // 7) + scale[step % 7]
            length = rng.choice((0.25, 0.25, 0.5, 0.75))
            notes.append((t, t + length * 0.95, note, rng.randint(70, 110)))
            t += length
        write_set(out, f"melody_{name}", "melody", program, notes)


if __name__ == "__main__":
    main()
