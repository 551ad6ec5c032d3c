"""The history end to end. `dravik melody.wav` (five notes one after another,
each a tone with four partials, written here) plays the file; once it has
ended, the piano roll under the spectrum shows each note's bar in its own
column of the note row's layout, the bars one above the other in the order and
at the times they were played, newest at the bottom by the keyboard. A left
click on the history seeks the file back to the time under the mouse."""

import os
import wave

import numpy as np

from dravik_e2e import KEY_WIDTH, Dravik, find_panels, note_column_left, parse_arguments, run_test, wait_until

RATE = 44100
PARTIALS = [1.0, 0.5, 0.33, 0.25]
NOTE_LEVEL = 0.2
# (MIDI note, onset s, length s): C5 D5 E5 G5 C6, left of the side bar.
MELODY = [(72, 0.5, 0.7), (74, 1.5, 0.7), (76, 2.5, 0.7), (79, 3.5, 0.7), (84, 4.5, 1.0)]
FILE_SECONDS = 6.5

# The history's time area in window pixels while the world view is unmoved:
# from y 380 down to the keyboard strip at 742, 10 s at the default span.
AREA_TOP, AREA_BOTTOM = 380, 742
SPAN = 10.0
ENDED_BAR = (235, 140, 0)
# s: the tracker confirms an onset or an end over a few analyses, one per
# frame, and a loaded machine under Xvfb draws about 10 frames a second.
TIME_TOLERANCE = 0.4


def write_melody(path):
    signal = np.zeros(int(FILE_SECONDS * RATE))
    for note, onset, length in MELODY:
        f = 440.0 * 2 ** ((note - 69) / 12)
        t = np.arange(int(length * RATE)) / RATE
        envelope = np.minimum(1.0, t / 0.01) * np.minimum(1.0, (length - t) / 0.02)
        tone = envelope * sum(NOTE_LEVEL * level * np.sin(2 * np.pi * f * (h + 1) * t)
                              for h, level in enumerate(PARTIALS))
        start = int(onset * RATE)
        signal[start:start + len(tone)] += tone
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(np.round(32767 * signal).astype("<i2").tobytes())


def column(note):
    left = note_column_left(note)
    return slice(int(np.ceil(left)) + 2, int(left + KEY_WIDTH) - 2)


def bar_rows(image, note):
    """(top, bottom) of the longest run of rows with an ended bar in the note's column, or None."""
    pixels = image[AREA_TOP:AREA_BOTTOM, column(note)]
    rows = np.all(pixels == np.array(ENDED_BAR, dtype=np.uint8), axis=2).sum(axis=1) >= 4
    best, start = None, None
    for y, on in enumerate(list(rows) + [False]):
        if on and start is None:
            start = y
        elif not on and start is not None:
            if best is None or y - start > best[1] - best[0]:
                best = (start, y)
            start = None
    return None if best is None else (best[0] + AREA_TOP, best[1] + AREA_TOP)


def seconds_before_now(y):
    return (AREA_BOTTOM - y) / (AREA_BOTTOM - AREA_TOP) * SPAN


def all_bars(image):
    bars = {note: bar_rows(image, note) for note, _, _ in MELODY}
    return bars if all(bars.values()) else None


def main():
    args = parse_arguments()
    melody = os.path.join(args.artifacts, "melody.wav")
    os.makedirs(args.artifacts, exist_ok=True)
    write_melody(melody)
    silent = dict(os.environ, ALSOFT_DRIVERS="null")
    with Dravik(args.binary, args.close_tool, args.artifacts, "history", env=silent, arguments=[melody]) as dravik:
        dravik.wait_for_centred_window()
        wait_until(lambda: len(find_panels(dravik.screenshot())) >= 2, 30, "the panels")
        # Played to its end, the file stops and the history stands still.
        image = dravik.wait_for_picture(all_bars, 30, "a bar for every note of the melody")
        previous = [None]

        def still(im):
            bars = all_bars(im)
            same = bars is not None and bars == previous[0]
            previous[0] = bars
            return same

        image = dravik.wait_for_picture(still, 20, "the history to stand still at the file's end")
        dravik.save(image, "melody")
        bars = all_bars(image)

        # Each note in its own column only: its neighbours a semitone either side hold no bar.
        for note, _, _ in MELODY:
            for neighbour in (note - 1, note + 1):
                assert bar_rows(image, neighbour) is None or neighbour in [n for n, _, _ in MELODY], \
                    f"a bar at note {neighbour} beside note {note}"

        # Onsets (the bars' tops) and lengths as played, relative to the last note's onset.
        last_note, last_onset, _ = MELODY[-1]
        last_top = seconds_before_now(bars[last_note][0])
        for note, onset, length in MELODY:
            top, bottom = bars[note]
            measured = last_top - seconds_before_now(top)
            measured_length = seconds_before_now(top) - seconds_before_now(bottom)
            print(f"note {note}: onset {measured + last_onset:.2f} s (played {onset:.2f}), "
                  f"length {measured_length:.2f} s (played {length:.2f})")
            assert abs(measured - (onset - last_onset)) <= TIME_TOLERANCE, \
                f"note {note}'s bar starts {measured:+.2f} s from the last note's, played {onset - last_onset:+.2f} s"
            assert abs(measured_length - length) <= TIME_TOLERANCE, \
                f"note {note}'s bar lasts {measured_length:.2f} s, played {length:.2f} s"

        # A click on the first note's bar seeks back there: the file plays again
        # from about its onset, so the history moves on.
        top, bottom = bars[MELODY[0][0]]
        dravik.click(((column(MELODY[0][0]).start + column(MELODY[0][0]).stop) // 2, (top + bottom) // 2))
        dravik.wait_for_picture(lambda im: all_bars(im) != bars, 10, "the history to move on after the seek")
        dravik.assert_running()


if __name__ == "__main__":
    run_test(main)
