"""Through the real panels: with its only generator disabled the program shows
an empty plot frame and a bare MIDI baseline; ticking "Enabled" on "Audio
Generator 1" puts the spectrum's peak at 440 Hz and hangs the note squares
under the baseline, note 69 lowest; magnified, the peak is one lobe."""

import os

import numpy as np

from dravik_e2e import (CLEAR_COLOUR, GENERATOR_ENABLED, GENERATOR_NODE, GENERATOR_ROWS, KEY_WIDTH, Dravik,
                        note_column_left, open_tree_node, other_panel, parse_arguments, run_test, set_checkbox,
                        wait_for_panels)

# The spectrum plot in window pixels (the world view starts equal to the
# window): its grey frame lines are the columns 19 and 1260 and the rows 39
# and 340; the curve runs from x = 20 to x = 1260 over bins 3 to 519 of a
# 4096-point spectrum at 44100 Hz.
PLOT_LEFT, PLOT_TOP, PLOT_RIGHT, PLOT_BOTTOM = 20, 40, 1260, 340
FRAME_GREY = (100, 100, 100)
FIRST_BIN, LAST_BIN, BIN_HZ = 3, 519, 44100 / 4096
PIXELS_PER_HZ = (PLOT_RIGHT - PLOT_LEFT) / (LAST_BIN - FIRST_BIN) / BIN_HZ
PEAK_TOLERANCE = 3  # pixels: 13.4 Hz, a quarter of the 26 Hz to the next semitone

# The MIDI display: a magenta line over rows 14 and 15, and a column per note
# (KEY_WIDTH, note_column_left). A square of a note
# with no energy fills rows 15 to 28 right under the line, which covers its
# first row.
BASELINE_ROWS = (14, 15)
UNDER_BASELINE = (16, 21)  # rows of a resting square above its label
ODD_NOTE, EVEN_NOTE = (166, 201, 236), (255, 255, 255)
# Notes whose squares lie wholly in the window, and those of them far enough
# from 440 Hz, in pitch and in harmonics, to rest on the baseline.
VISIBLE_NOTES = range(24, 112)
RESTING_NOTES = list(range(24, 53)) + list(range(80, 112))

# Panels go below the plot, out of its way.
GENERATOR_PLACE = (700, 420)
MAIN_MENU_PLACE = (60, 420)


def x_of_frequency(hz):
    return PLOT_LEFT + (hz / BIN_HZ - FIRST_BIN) * (PLOT_RIGHT - PLOT_LEFT) / (LAST_BIN - FIRST_BIN)


def note_columns(note):
    """Columns well inside a note's square, clear of its antialiased edges."""
    left = note_column_left(note)
    return slice(int(np.ceil(left)) + 2, int(left + KEY_WIDTH) - 1)


def note_colour(note):
    return np.array(ODD_NOTE if note % 2 else EVEN_NOTE, dtype=np.uint8)


def square_top(image, note):
    """First row below the baseline where most of the note's columns show its
    colour (a label or a grid line may cover some), or None."""
    block = image[UNDER_BASELINE[0]:, note_columns(note)]
    share = np.all(block == note_colour(note), axis=2).mean(axis=1)
    rows = np.nonzero(share >= 0.7)[0]
    return int(rows[0]) + UNDER_BASELINE[0] if len(rows) else None


def resting_squares_shown(image):
    rows = slice(*UNDER_BASELINE)
    return all(np.all(image[rows, note_columns(n)] == note_colour(n)) for n in RESTING_NOTES)


def cyan(image):
    """Where the spectrum's cyan fill shows (on the clear colour, a grid line or a square)."""
    pixels = image.astype(int)
    return (pixels[:, :, 1] - pixels[:, :, 0] > 60) & (pixels[:, :, 2] - pixels[:, :, 0] > 60)


def fill_tops(image):
    """For every plot column, the first row of cyan fill (PLOT_BOTTOM where none)."""
    plot = cyan(image[PLOT_TOP:PLOT_BOTTOM, PLOT_LEFT:PLOT_RIGHT])
    return np.where(plot.any(axis=0), np.argmax(plot, axis=0) + PLOT_TOP, PLOT_BOTTOM)


def check_empty_plot(image):
    """A first start explains itself: before anything is analysed the plot shows
    its frame, its grid lines and both rows of frequency labels, the MIDI
    baseline, and the hint in its middle; no spectrum."""
    region = image[:PLOT_BOTTOM + 40].astype(int)
    frame = [region[PLOT_TOP - 1, PLOT_LEFT - 1:PLOT_RIGHT + 1], region[PLOT_BOTTOM, PLOT_LEFT - 1:PLOT_RIGHT + 1],
             region[PLOT_TOP - 1:PLOT_BOTTOM + 1, PLOT_LEFT - 1], region[PLOT_TOP - 1:PLOT_BOTTOM + 1, PLOT_RIGHT]]
    # Grid lines end on the frame's edges and may cover a pixel of it.
    assert all(np.all((line.min(axis=1) >= 55) & (np.ptp(line, axis=1) <= 40)) for line in frame), \
        "the plot's grey frame is incomplete"
    baseline = region[BASELINE_ROWS[0]:BASELINE_ROWS[1] + 1, 7:]
    assert np.all((baseline[:, :, 0] == baseline[:, :, 2]) & (baseline[:, :, 0] > baseline[:, :, 1] + 100)), \
        "the MIDI baseline is not magenta from x = 7 to the window's right edge"
    # Row 100 crosses the grid's vertical lines clear of the hint.
    row = region[100, PLOT_LEFT + 2:PLOT_RIGHT - 2]
    lines = np.count_nonzero(np.any(row != np.array(CLEAR_COLOUR), axis=1))
    assert lines >= 16, f"only {lines} grid pixels cross row 100 of the empty plot"
    labels = region[PLOT_BOTTOM + 4:PLOT_BOTTOM + 30, PLOT_LEFT:PLOT_RIGHT]
    assert np.count_nonzero(labels.min(axis=2) >= 100) > 200, "no frequency labels under the empty plot"
    hint = region[PLOT_TOP + 130:PLOT_TOP + 170, 380:900]
    assert np.count_nonzero(hint.min(axis=2) >= 150) > 300, "no hint in the middle of the empty plot"
    assert not cyan(image[PLOT_TOP:PLOT_BOTTOM, PLOT_LEFT:PLOT_RIGHT]).any(), "a spectrum before anything was analysed"


def check_tone_picture(image):
    tops = fill_tops(image)
    peak_rows = tops.min()
    assert peak_rows < PLOT_BOTTOM - 100, f"the spectrum's highest point is only {PLOT_BOTTOM - peak_rows} px high"
    peak_x = float(np.mean(np.nonzero(tops == peak_rows)[0])) + PLOT_LEFT
    expected_x = x_of_frequency(440.0)
    print(f"spectrum peak at x = {peak_x:.1f} ({(peak_x - expected_x) / PIXELS_PER_HZ:+.1f} Hz from 440 Hz, "
          f"expected x = {expected_x:.1f}), {PLOT_BOTTOM - peak_rows} px high")
    assert abs(peak_x - expected_x) <= PEAK_TOLERANCE, \
        f"peak at x = {peak_x:.1f}, expected {expected_x:.1f} +- {PEAK_TOLERANCE} px"
    peak_column = image[PLOT_TOP:peak_rows + 1, int(round(peak_x))].astype(int)
    assert np.any(peak_column.min(axis=1) > 150), "no white curve on top of the peak"
    away = np.abs(np.arange(PLOT_LEFT, PLOT_RIGHT) - expected_x) > 40
    assert PLOT_BOTTOM - tops[away].min() < 20, \
        f"a second peak {PLOT_BOTTOM - tops[away].min()} px high far from 440 Hz"

    resting = {n: square_top(image, n) for n in RESTING_NOTES}
    assert all(top == UNDER_BASELINE[0] for top in resting.values()), \
        f"squares not right under the baseline (note: first row): {resting}"
    tops_by_note = {n: square_top(image, n) for n in VISIBLE_NOTES}
    found = {n: top for n, top in tops_by_note.items() if top is not None}
    lowest = max(found, key=found.get)
    print(f"note 69's square hangs from row {found.get(69)} (energy about "
          f"{(found.get(69, UNDER_BASELINE[0]) - KEY_WIDTH) / 384:.3f})")
    assert lowest == 69, f"the lowest square is note {lowest}'s, not note 69's: {found}"


ZOOM_NOTCHES = 12  # 0.909^12: the plot magnified about 3.1 times around the peak


def count_lobes(image):
    """Peaks of the cyan fill that stand out by a third of the highest from
    the dips on either side of them."""
    heights = PLOT_BOTTOM - fill_tops(image)
    prominence = heights.max() / 3
    lobes, rising_from, peak = 0, heights[0], None
    for h in heights:
        if peak is None:
            rising_from = min(rising_from, h)
            if h - rising_from >= prominence:
                peak = h
        else:
            peak = max(peak, h)
            if peak - h >= prominence:
                lobes, rising_from, peak = lobes + 1, h, None
    return lobes + (peak is not None)


def check_one_lobe(dravik):
    """Zoomed in about the 440 Hz peak's base, which stays in place, the peak
    is one lobe; an analysed window stitched from two stretches splits it in two."""
    at = (int(round(x_of_frequency(440.0))), PLOT_BOTTOM)
    dravik.wheel(at, ZOOM_NOTCHES)
    # Magnified about x = 111, the plot's left frame line leaves the window.
    grey = np.array(FRAME_GREY, dtype=np.uint8)
    image = dravik.wait_for_picture(lambda im: not np.all(im[PLOT_TOP:PLOT_BOTTOM, PLOT_LEFT - 1] == grey), 10,
                                    "the magnified plot")
    dravik.save(image, "zoomed")
    lobes = count_lobes(image)
    print(f"zoomed in {ZOOM_NOTCHES} notches about x = {at[0]}: {lobes} lobe(s), "
          f"{np.count_nonzero(PLOT_BOTTOM - fill_tops(image) > 50)} columns above 50 px")
    assert lobes == 1, f"the 440 Hz peak shows {lobes} lobes"


def main():
    args = parse_arguments()

    # No sound is heard here: OpenAL Soft's null device stands in for a sound card.
    silent = dict(os.environ, ALSOFT_DRIVERS="null")
    with Dravik(args.binary, args.close_tool, args.artifacts, "generator", env=silent) as dravik:
        dravik.wait_for_centred_window()
        generator = wait_for_panels(dravik)
        generator = dravik.drag_panel(generator, GENERATOR_PLACE)
        menu = other_panel(dravik.screenshot(), generator)
        dravik.drag_panel(menu, MAIN_MENU_PLACE)

        check_empty_plot(dravik.screenshot("disabled"))

        open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, first_child=GENERATOR_NODE + 1)
        set_checkbox(dravik, generator, GENERATOR_ROWS, GENERATOR_ENABLED, True, indent=1)
        image = dravik.wait_for_picture(lambda im: fill_tops(im).min() < PLOT_BOTTOM - 100
                                        and resting_squares_shown(im), 10,
                                        "the spectrum and the resting note squares")
        dravik.save(image, "enabled")
        check_tone_picture(image)
        check_one_lobe(dravik)
        dravik.close(timeout=10)


if __name__ == "__main__":
    run_test(main)
