"""The note tracker end to end. `dravik chord.wav` (a C major triad, C4 E4 G4,
each note a tone with four partials, written here) plays the file, and the
note row outlines exactly the chord's three notes in orange, with their names;
a partial's note (G5, E5, ...) is not outlined. Moving the mouse onto one of
the outlined squares shows its name in the hover readout."""

import os
import time
import wave

import numpy as np

from dravik_e2e import KEY_WIDTH, Dravik, find_panels, note_column_left, parse_arguments, run_test, wait_until

RATE = 44100
CHORD = {60: 261.6256, 64: 329.6276, 67: 391.9954}
PARTIALS = [1.0, 0.5, 0.33, 0.25]
NOTE_LEVEL = 0.12

# Down to the plot's first row of frequency labels, above the history.
ROW_BOTTOM = 355
# A tracked note's outline shows 75 to 115 orange pixels in its column (its
# edges fall between pixel columns); a name spilling into a neighbour's column
# far fewer.
OUTLINED = 40
ORANGE = (255, 170, 0)


def write_chord(path, seconds):
    t = np.arange(int(seconds * RATE)) / RATE
    signal = sum(NOTE_LEVEL * level * np.sin(2 * np.pi * f * (h + 1) * t)
                 for f in CHORD.values() for h, level in enumerate(PARTIALS))
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(np.round(32767 * signal).astype("<i2").tobytes())


def note_columns(note):
    left = note_column_left(note)
    return slice(int(np.ceil(left)), int(left + KEY_WIDTH))


def orange(image):
    pixels = image[:ROW_BOTTOM].astype(int)
    return (pixels[:, :, 0] > 200) & (np.abs(pixels[:, :, 1] - ORANGE[1]) < 45) & (pixels[:, :, 2] < 80)


def orange_by_note(image):
    """Orange pixels in every note column of the row and the plot."""
    mask = orange(image)
    return {n: int(mask[:, note_columns(n)].sum()) for n in range(24, 112)}


def outlined(image):
    return sorted(n for n, count in orange_by_note(image).items() if count >= OUTLINED)


def main():
    args = parse_arguments()
    chord = os.path.join(args.artifacts, "chord.wav")
    write_chord(chord, 60.0)
    silent = dict(os.environ, ALSOFT_DRIVERS="null")
    with Dravik(args.binary, args.close_tool, args.artifacts, "chord", env=silent, arguments=[chord]) as dravik:
        dravik.wait_for_centred_window()
        wait_until(lambda: len(find_panels(dravik.screenshot())) >= 2, 30, "the panels")
        image = dravik.wait_for_picture(lambda im: outlined(im) == sorted(CHORD), 20,
                                        f"exactly notes {sorted(CHORD)} outlined")
        dravik.save(image, "chord")
        counts = orange_by_note(image)
        print("orange pixels by note: " + ", ".join(f"{n}: {c}" for n, c in counts.items() if c))

        # Onto the middle of E4's square: half a key below its outline's top
        # edge. The square rises and falls with the note's level at every
        # refresh of the row, so each try aims at where it is now, from just
        # above the row, where nothing reads out.
        column = note_columns(64)

        def hover():
            image = dravik.screenshot()
            rows = np.nonzero(orange(image)[:, column].any(axis=1))[0]
            if len(rows) == 0:
                return None
            at = ((column.start + column.stop) // 2, int(rows.min()) + int(KEY_WIDTH / 2))
            dravik.move(at[0], 2)
            before = dravik.screenshot()
            dravik.move(*at)
            time.sleep(0.2)
            after = dravik.screenshot()
            changed = np.any(after[at[1]:at[1] + 80, at[0]:at[0] + 160] != before[at[1]:at[1] + 80, at[0]:at[0] + 160],
                             axis=2)
            # The readout's box changes about 4,000 pixels; squares moving
            # at a refresh change a few hundred.
            return after if np.count_nonzero(changed) > 2000 else None

        tooltip = wait_until(hover, 10, "the hover readout by the mouse")
        dravik.save(tooltip, "hover")
        dravik.assert_running()


if __name__ == "__main__":
    run_test(main)
