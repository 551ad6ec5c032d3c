"""The side bar layout. At 1280x768, `dravik melody.wav` shows its three
panels docked down the window's right edge, clear of the plot's and the
history's columns of the notes up to 83 (B5; C6's column starts at the side
bar's edge). With every panel open (the generator's
entry and the main menu's three nodes), the column overflows and its panels
scroll, yet none of them covers the history's newest 2 seconds: there the
spectrogram of the melody's last note shows under the side bar's columns too,
and the panels' rectangles, as the program saves them on its way out, end
above them. A larger window gives the history both: more height down to the
new bottom edge, and more width clear of the side bar."""

import os

import numpy as np

from dravik_e2e import (FRAME_HEIGHT, GENERATOR_NODE, GENERATOR_ROWS, MAIN_MENU_CLOSED_ROWS, TREE_LINE_HEIGHT,
                        TREE_NODE, Dravik, clear_band, find_panels, history_area, note_column_left, open_tree_node,
                        parse_arguments, run, run_test, saved_panels, side_bar_left, stable_panels,
                        wait_until)
from test_history import MELODY, write_melody

FFT_OPTIONS = MAIN_MENU_CLOSED_ROWS.index(TREE_NODE)
# The main menu's nodes, bottom up, so opening one leaves the rows above it in place.
MENU_NODES = [FFT_OPTIONS + 2, FFT_OPTIONS + 1, FFT_OPTIONS]
PANELS = ("dravik.smx main menu", "Audio Generator", "Sound File", "Sound Input")
PANEL_COUNT = 3  # the main menu, "Audio Generator" and "Sound File"
# The melody's last note, C6, and its second partial an octave up: note 96,
# whose column lies under the side bar.
LAST_NOTE = MELODY[-1][0]
PARTIAL_NOTE = LAST_NOTE + 12
WHITE_KEY = (235, 235, 235)


def start(args, name):
    melody = os.path.join(args.artifacts, "layout-melody.wav")
    os.makedirs(args.artifacts, exist_ok=True)
    write_melody(melody)
    silent = dict(os.environ, ALSOFT_DRIVERS="null")
    return Dravik(args.binary, args.close_tool, args.artifacts, name, env=silent, arguments=[melody])


def settled_panels(dravik, count):
    """(x, y, width) of the panels, top to bottom, once `count` of them show and stand still."""
    def shown():
        panels = stable_panels(dravik)
        return sorted((p.x, p.y, p.width) for p in panels) if len(panels) == count else None

    return wait_until(shown, 30, f"{count} panels standing still")


def partial_in_band(image, band):
    """Whether the spectrogram shows the last note's partial in the clear band,
    in that partial's column under the side bar: a bright row there."""
    left = note_column_left(PARTIAL_NOTE)
    pixels = image[int(band[0]):int(band[1]), int(left) + 2:int(left) + 12].astype(int)
    return bool(np.any(pixels[:, :, 0] > 150))


def default_layout(args):
    with start(args, "layout") as dravik:
        dravik.wait_for_centred_window()
        panels = settled_panels(dravik, PANEL_COUNT)
        dravik.save(dravik.screenshot(), "default")
        # Docked one under the other at the right edge, from the top, clear of
        # the columns up to B5.
        assert all(x == side_bar_left() and width == 400 for x, _, width in panels), f"panels {panels}"
        assert [y for _, y, _ in panels][0] == 0, f"panels {panels}"
        assert side_bar_left() >= note_column_left(LAST_NOTE), \
            f"note {LAST_NOTE - 1}'s column reaches under the side bar"

        menu, generator = sorted(find_panels(dravik.screenshot()), key=lambda p: p.y)[:2]
        open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, first_child=GENERATOR_NODE + 1)
        for node in MENU_NODES:
            left, top = menu.widget(MAIN_MENU_CLOSED_ROWS, node)
            before = dravik.screenshot()
            dravik.click((left + 40, top + TREE_LINE_HEIGHT // 2))
            dravik.wait_for_picture(lambda im: not np.array_equal(im[top + FRAME_HEIGHT:], before[top + FRAME_HEIGHT:]),
                                    10, f"the main menu's node at row {node} to open")
        settled_panels(dravik, PANEL_COUNT)

        band = clear_band()
        image = dravik.wait_for_picture(lambda im: partial_in_band(im, band), 30,
                                        f"note {PARTIAL_NOTE}'s partial in the newest seconds, under the side bar")
        dravik.save(image, "all-open")
        dravik.close(timeout=10)

        saved = saved_panels(dravik.config_home)
        shown = {title: rect for title, rect in saved.items() if title in PANELS and not rect[4]}
        assert len(shown) == PANEL_COUNT, f"saved panels {saved}"
        for title, (x, y, width, height, _) in shown.items():
            assert y + height <= band[0], f"\"{title}\" at {x},{y} {width}x{height} reaches into the newest " \
                                          f"seconds from y {band[0]:.0f}"
        menu_height = shown["dravik.smx main menu"][3]
        bottom = max(y + height for _, y, _, height, _ in shown.values())
        assert bottom >= band[0] - 2, f"the side bar ends at y {bottom}, short of y {band[0]:.0f}"
        print(f"all open: the side bar ends at y {bottom}, the main menu {menu_height} high; newest 2 s from "
              f"y {band[0]:.0f}")


def keyboard_top(image):
    """The top row of the history's keyboard strip: white keys in note 60's column (C4)."""
    column = image[:, int(note_column_left(60)) + 4]
    white = np.nonzero(np.all(column == np.array(WHITE_KEY, dtype=np.uint8), axis=1))[0]
    return int(white.min()) if len(white) else None


def larger_window(args):
    with start(args, "layout-larger") as dravik:
        dravik.wait_for_centred_window()
        settled_panels(dravik, PANEL_COUNT)
        image = dravik.screenshot("at-1280x768")
        top_before = keyboard_top(image)
        assert top_before == history_area()[1], f"the keyboard starts at y {top_before}"

        run("xdotool", "windowmove", "--sync", str(dravik.window), "0", "0")
        run("xdotool", "windowsize", "--sync", str(dravik.window), "1600", "1000")
        wait_until(lambda: dravik.geometry()[2:] == (1600, 1000), 10, "the window at 1600x1000")
        image = dravik.wait_for_picture(lambda im: keyboard_top(im) == history_area(1000)[1], 10,
                                        f"the keyboard at y {history_area(1000)[1]}")
        dravik.save(image, "at-1600x1000")
        panels = settled_panels(dravik, PANEL_COUNT)
        assert all(x == side_bar_left(1600) for x, _, _ in panels), f"panels {panels}"
        height = history_area(1000)[1] - history_area(1000)[0]
        print(f"the history: {history_area()[1] - history_area()[0]} -> {height} px high, clear of the side bar "
              f"up to x {side_bar_left()} -> {side_bar_left(1600)}")
        dravik.assert_running()
        dravik.close(timeout=10)


def main():
    args = parse_arguments()
    default_layout(args)
    larger_window(args)


if __name__ == "__main__":
    run_test(main)
