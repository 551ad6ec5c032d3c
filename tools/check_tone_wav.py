#!/usr/bin/env python3
"""Checks that a WAV recording holds one steady sine tone on every channel.

Made for recordings of the program's sound output (OpenAL Soft's wave backend
writes 32-bit float WAVE_FORMAT_EXTENSIBLE; 8/16/24/32-bit PCM also read).
On each channel it finds where the tone starts and ends (the first and last
sample above a quarter of the channel's peak), then, between one window after
the start and one window before the end, checks:

  * the tone's frequency (Hann-windowed spectrum, interpolated peak);
  * its peak level against the expected peak, as a fraction of full scale;
  * that every window's RMS level stays within a tolerance of the median
    window level (a gap, a click or a stutter shows up here);
  * that no two neighbouring samples jump further apart than the tone itself
    can move (a replayed or spliced buffer shows up here);
  * silent gaps (runs of samples below -80 dBFS that a sine at the tone's
    level never makes): at most --allowed-gaps of them, for the underruns a
    program reported on a loaded machine; a dropout into such a gap is not
    counted as a jump, and the level windows around it are left out;
  * that each --absent frequency stays below a level relative to the tone.

Prints one line per channel and exits 0 when every check passes, 1 when one
fails, 2 when the file cannot be read.

Example:
  check_tone_wav.py out.wav --frequency 440 --peak 0.8 --absent 880
"""

import argparse
import struct
import sys

import numpy as np


def read_wav(path):
    """Returns (samples as float array [frames, channels], sample rate)."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 12 or data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("not a RIFF/WAVE file")
    fmt = None
    payload = None
    pos = 12
    while pos + 8 <= len(data):
        chunk_id = data[pos:pos + 4]
        size = struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if chunk_id == b"fmt ":
            fmt = body
        elif chunk_id == b"data":
            # A recording cut short may leave the size unwritten: read to the end.
            payload = data[pos + 8:] if size == 0 or pos + 8 + size > len(data) else body
            break
        pos += 8 + size + (size & 1)
    if fmt is None or payload is None:
        raise ValueError("missing fmt or data chunk")

    tag, channels, rate, _, block_align, bits = struct.unpack("<HHIIHH", fmt[:16])
    if tag == 0xFFFE and len(fmt) >= 26:
        tag = struct.unpack("<H", fmt[24:26])[0]
    width = bits // 8
    if channels == 0 or block_align != channels * width:
        raise ValueError(f"unsupported layout: {channels} channels, {bits} bits, block {block_align}")
    frames = len(payload) // block_align
    raw = payload[:frames * block_align]

    if tag == 3 and bits in (32, 64):
        x = np.frombuffer(raw, dtype="<f4" if bits == 32 else "<f8").astype(np.float64)
    elif tag == 1 and bits == 8:
        x = (np.frombuffer(raw, dtype=np.uint8).astype(np.float64) - 128.0) / 128.0
    elif tag == 1 and bits in (16, 32):
        x = np.frombuffer(raw, dtype=f"<i{width}").astype(np.float64) / float(2 ** (bits - 1))
    elif tag == 1 and bits == 24:
        b = np.frombuffer(raw, dtype=np.uint8).reshape(-1, 3).astype(np.int32)
        v = b[:, 0] | (b[:, 1] << 8) | (b[:, 2] << 16)
        x = (np.where(v >= 1 << 23, v - (1 << 24), v)).astype(np.float64) / float(1 << 23)
    else:
        raise ValueError(f"unsupported sample format: tag {tag}, {bits} bits")
    return x.reshape(frames, channels), rate


def db(ratio):
    return 20.0 * np.log10(max(ratio, 1e-300))


def spectrum(x):
    """Hann-windowed magnitude spectrum, zero-padded for a fine frequency grid."""
    n = len(x)
    size = 1 << int(np.ceil(np.log2(4 * n)))
    return np.abs(np.fft.rfft(x * np.hanning(n), size)), size


def peak_frequency(mag, size, rate):
    k = int(np.argmax(mag[1:])) + 1
    if 0 < k < len(mag) - 1:
        a, b, c = np.log(mag[k - 1:k + 2] + 1e-300)
        denom = a - 2 * b + c
        k = k + (0.5 * (a - c) / denom if denom != 0 else 0.0)
    return k * rate / size


SILENCE = 1e-4  # of full scale: -80 dBFS


def silent_gaps(x):
    """(start, end) of every run of three or more samples below SILENCE."""
    quiet = np.concatenate(([False], np.abs(x) < SILENCE, [False]))
    edges = np.flatnonzero(quiet[1:] != quiet[:-1])
    return [(int(a), int(b)) for a, b in zip(edges[0::2], edges[1::2]) if b - a >= 3]


def check_channel(x, rate, args):
    """Returns (summary text, list of failures) for one channel."""
    failures = []
    window = max(1, int(round(args.window_ms * rate / 1000.0)))
    loud = np.nonzero(np.abs(x) >= 0.25 * np.max(np.abs(x)))[0] if np.max(np.abs(x)) > 0 else []
    if len(loud) == 0:
        return "silent", ["no signal at all"]
    begin, end = loud[0] + window, loud[-1] + 1 - window
    if (end - begin) < args.min_seconds * rate:
        return (f"tone of {(loud[-1] - loud[0]) / rate:.3f} s",
                [f"tone lasts less than {args.min_seconds} s"])
    seg = x[begin:end]
    gaps = silent_gaps(seg)
    # Pitch from the longest stretch between gaps: a gap shifts the phase of what follows it.
    bounds = [0] + [edge for gap in gaps for edge in gap] + [len(seg)]
    longest = max(zip(bounds[0::2], bounds[1::2]), key=lambda stretch: stretch[1] - stretch[0])

    mag, size = spectrum(seg[longest[0]:longest[1]])
    freq = peak_frequency(mag, size, rate)
    off_cents = 1200.0 * np.log2(freq / args.frequency) if freq > 0 else float("inf")
    if abs(off_cents) > args.cents:
        failures.append(f"frequency {freq:.2f} Hz is {off_cents:+.1f} cents from {args.frequency} Hz")

    peak = float(np.max(np.abs(seg)))
    if args.peak is not None and abs(db(peak / args.peak)) > args.peak_tolerance_db:
        failures.append(f"peak {peak:.4f} is {db(peak / args.peak):+.2f} dB from {args.peak}")

    if len(gaps) > args.allowed_gaps:
        failures.append(f"{len(gaps)} silent gaps, {args.allowed_gaps} allowed; the first at "
                        f"{(begin + gaps[0][0]) / rate:.3f} s")

    # The steepest step a sine of this peak and frequency takes, with room for rounding and resampling.
    steepest = 1.5 * peak * 2.0 * np.pi * freq / rate + 1e-3
    steps = np.abs(np.diff(seg))
    for start, _ in gaps:
        if start > 0:
            steps[start - 1] = 0.0
    jump = int(np.argmax(steps))
    if steps[jump] > steepest:
        failures.append(f"a jump of {steps[jump]:.4f} at {(begin + jump) / rate:.4f} s, "
                        f"the tone moves at most {steepest:.4f} a sample")

    count = len(seg) // window
    near_gap = [any(a - window < (i + 1) * window and i * window < b + window for a, b in gaps)
                for i in range(count)]
    levels = np.array([db(np.sqrt(np.mean(seg[i * window:(i + 1) * window] ** 2))) for i in range(count)])
    kept = [i for i in range(count) if not near_gap[i]]
    steady = float(np.median(levels[kept])) if kept else float("nan")
    worst_off = 0.0
    if kept:
        worst = max(kept, key=lambda i: abs(levels[i] - steady))
        worst_off = float(levels[worst] - steady)
        if abs(worst_off) > args.level_tolerance_db:
            at = (begin + worst * window) / rate
            failures.append(f"window at {at:.3f} s is {worst_off:+.2f} dB from the steady level")

    tone_mag = float(np.max(mag))
    absent_text = []
    bin_hz = rate / size
    for f in args.absent:
        lo = max(0, int(np.floor((f - 4 * rate / (longest[1] - longest[0])) / bin_hz)))
        hi = min(len(mag), int(np.ceil((f + 4 * rate / (longest[1] - longest[0])) / bin_hz)) + 1)
        rel = db(float(np.max(mag[lo:hi])) / tone_mag) if hi > lo else -float("inf")
        absent_text.append(f"{f:g} Hz at {rel:.1f} dB")
        if rel > args.absent_below_db:
            failures.append(f"{f:g} Hz at {rel:.1f} dB, above {args.absent_below_db} dB")

    summary = (f"{freq:.3f} Hz ({off_cents:+.2f} cents), peak {peak:.4f} ({db(peak):.2f} dBFS), "
               f"steady {steady:.2f} dBFS over {len(seg) / rate:.2f} s from {loud[0] / rate:.3f} s, "
               f"worst {args.window_ms:g} ms window {worst_off:+.2f} dB, largest step {steps.max():.4f}, "
               f"{len(gaps)} gaps (longest {max((b - a for a, b in gaps), default=0) * 1000.0 / rate:.1f} ms)")
    if absent_text:
        summary += ", " + ", ".join(absent_text)
    return summary, failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("wav", help="recording to check")
    parser.add_argument("--frequency", type=float, default=440.0, help="expected tone, Hz (440)")
    parser.add_argument("--cents", type=float, default=5.0, help="frequency tolerance, cents (5)")
    parser.add_argument("--peak", type=float, default=None,
                        help="expected peak as a fraction of full scale (not checked if omitted)")
    parser.add_argument("--peak-tolerance-db", type=float, default=0.5, help="peak tolerance, dB (0.5)")
    parser.add_argument("--window-ms", type=float, default=20.0, help="level window, ms (20)")
    parser.add_argument("--level-tolerance-db", type=float, default=1.0,
                        help="largest window level deviation from the steady level, dB (1)")
    parser.add_argument("--allowed-gaps", type=int, default=0,
                        help="silent gaps accepted, e.g. the underruns the program reported (0)")
    parser.add_argument("--absent", type=float, action="append", default=[],
                        help="a frequency that must stay quiet, Hz; may repeat")
    parser.add_argument("--absent-below-db", type=float, default=-60.0,
                        help="level an --absent frequency must stay below, dB relative to the tone (-60)")
    parser.add_argument("--min-seconds", type=float, default=0.5,
                        help="shortest steady stretch accepted, s (0.5)")
    parser.add_argument("--channels", type=int, default=2, help="channels the file must have (2)")
    args = parser.parse_args()

    try:
        samples, rate = read_wav(args.wav)
    except (OSError, ValueError) as error:
        print(f"{args.wav}: {error}", file=sys.stderr)
        return 2

    ok = True
    if samples.shape[1] != args.channels:
        print(f"{args.wav}: {samples.shape[1]} channels, expected {args.channels}")
        ok = False
    print(f"{args.wav}: {samples.shape[0]} frames at {rate} Hz ({samples.shape[0] / rate:.2f} s)")
    for ch in range(samples.shape[1]):
        summary, failures = check_channel(samples[:, ch], rate, args)
        print(f"  channel {ch}: {summary}")
        for failure in failures:
            print(f"    FAIL: {failure}")
        ok = ok and not failures
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
