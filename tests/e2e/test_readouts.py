"""Through the real panels: "Log Frequency Axis" and "dB" put the enabled 440 Hz
generator's peak under note 69's square; the mouse over the plot shows the
cursor readout beside it, and off the plot it does not."""

import os

import numpy as np

from dravik_e2e import (FRAME_HEIGHT, GENERATOR_ENABLED, GENERATOR_NODE, GENERATOR_ROWS, KEY_WIDTH,
                        LOG_AXIS, MAIN_MENU_ROWS, Dravik, checkbox_state, note_column_left, open_tree_node,
                        other_panel, parse_arguments, run_test, set_checkbox, wait_for_panels)

# On the log axis the plot spans the note columns of notes 24 to 113.
PLOT_LEFT, PLOT_TOP, PLOT_RIGHT, PLOT_BOTTOM = 7, 40, 1315, 340
PEAK_TOLERANCE = 2  # pixels, about 15 cents at 440 Hz
# "dB" follows "Log Frequency Axis" on its row: box, inner spacing, 18
# characters of 7 pixels, item spacing.
DB_OFFSET = FRAME_HEIGHT + 4 + 18 * 7 + 8

GENERATOR_PLACE = (700, 420)
MAIN_MENU_PLACE = (60, 420)

# The readout is a tooltip: its background, nearly opaque, over the clear
# colour reads about (21, 21, 21); it opens right of and below the pointer.
TOOLTIP_GREY = 21
QUIET_POINT = (300, 60)  # inside the plot, above anything the tone draws
OFF_PLOT_POINT = (300, 380)  # below the plot, on the history's columns of low notes the tone leaves alone


def column_centre(note):
    return note_column_left(note) + 0.5 * KEY_WIDTH


def spectrum_tops(image):
    """For every plot column, the first row of the cyan fill (PLOT_BOTTOM where none)."""
    pixels = image[PLOT_TOP:PLOT_BOTTOM, PLOT_LEFT:PLOT_RIGHT].astype(int)
    fill = (pixels[:, :, 1] - pixels[:, :, 0] > 60) & (pixels[:, :, 2] - pixels[:, :, 0] > 60)
    return np.where(fill.any(axis=0), np.argmax(fill, axis=0) + PLOT_TOP, PLOT_BOTTOM)


def peak_x(image):
    tops = spectrum_tops(image)
    if tops.min() > PLOT_BOTTOM - 100:
        return None
    return float(np.mean(np.nonzero(tops == tops.min())[0])) + PLOT_LEFT


def tooltip_share(image, point):
    """Share of the pixels right of and below point that show the tooltip's background."""
    x, y = point
    region = image[y + 12:y + 40, x + 20:x + 60].astype(int)
    return float(np.mean(np.all(np.abs(region - TOOLTIP_GREY) <= 2, axis=2)))


def main():
    args = parse_arguments()
    silent = dict(os.environ, ALSOFT_DRIVERS="null")
    with Dravik(args.binary, args.close_tool, args.artifacts, "readouts", env=silent) as dravik:
        dravik.wait_for_centred_window()
        generator = wait_for_panels(dravik)
        generator = dravik.drag_panel(generator, GENERATOR_PLACE)
        menu = other_panel(dravik.screenshot(), generator)
        menu = dravik.drag_panel(menu, MAIN_MENU_PLACE)

        set_checkbox(dravik, menu, MAIN_MENU_ROWS, LOG_AXIS, True)
        left, top = menu.widget(MAIN_MENU_ROWS, LOG_AXIS)
        dravik.click((left + DB_OFFSET + FRAME_HEIGHT // 2, top + FRAME_HEIGHT // 2))
        dravik.wait_for_picture(lambda im: checkbox_state(im, left + DB_OFFSET, top) is True, 10,
                                "the dB checkbox to show a tick")

        open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, first_child=GENERATOR_NODE + 1)
        set_checkbox(dravik, generator, GENERATOR_ROWS, GENERATOR_ENABLED, True, indent=1)
        image = dravik.wait_for_picture(lambda im: peak_x(im) is not None, 10, "the tone's peak")
        found, expected = peak_x(image), column_centre(69)
        print(f"peak at x = {found:.1f}, note 69's square centred at {expected:.1f}")
        assert abs(found - expected) <= PEAK_TOLERANCE, f"peak at x = {found:.1f}, expected {expected:.1f}"

        # The readout follows the mouse over the plot, and leaves with it.
        x, y = OFF_PLOT_POINT
        beside = (slice(y + 12, y + 40), slice(x + 20, x + 60))
        unvisited = dravik.screenshot()[beside]
        dravik.move(*QUIET_POINT)
        dravik.wait_for_picture(lambda im: tooltip_share(im, QUIET_POINT) > 0.5, 10,
                                f"the cursor readout beside {QUIET_POINT}")
        dravik.move(*OFF_PLOT_POINT)
        gone = dravik.wait_for_picture(lambda im: tooltip_share(im, QUIET_POINT) < 0.1, 10,
                                       "the cursor readout to leave the plot with the mouse")
        assert tooltip_share(gone, OFF_PLOT_POINT) < 0.1, "a readout off the plot"
        assert np.array_equal(gone[beside], unvisited), "something drawn beside the mouse off the plot"

        # Beside the peak, for the picture: the tone draws nothing that high so far from it.
        on_peak = (int(round(expected)), 150)
        dravik.move(*on_peak)
        shown = dravik.wait_for_picture(lambda im: tooltip_share(im, on_peak) > 0.5, 10,
                                        "the cursor readout on the peak")
        dravik.save(shown, "log-axis-readout")
        dravik.close(timeout=10)


if __name__ == "__main__":
    run_test(main)
