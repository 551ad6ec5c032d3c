"""The real program opens its window centred, draws, takes pan and zoom input,
and ends with status 0 on a window manager's close request."""


import numpy as np

from dravik_e2e import (CLEAR_COLOUR, Dravik, find_panels, parse_arguments, region_is, run_test, screen_size,
                        side_bar_left, wait_until)

# The main menu starts at the top of the side bar, at the window's right edge;
# its title bar is 19 pixels high.
MENU_PLACE = (side_bar_left(), 0)
PANEL_TITLE = (2, MENU_PLACE[0] + 2, 18, MENU_PLACE[0] + 140)  # top, left, bottom, right
# Above the note row's baseline (rows 14 and 15 at the start), left of the
# side bar: clear at the start.
EMPTY_AREA = (0, 600, 12, MENU_PLACE[0] - 10)
# Where that baseline was at the start: clear once the pans and zooms below
# have moved the drawing away (the window is cleared every frame).
LEFT_BEHIND = (10, 600, 30, MENU_PLACE[0] - 10)
# Row 342 lies between the plot and its labels and, after the first pan, crosses the spectrum
# plot's grey frame (100, 100, 100), anti-aliased when off the pixel grid.
FRAME_ROW = 342


def frame_columns(image):
    """Columns left of the side bar where the plot frame's vertical lines cross FRAME_ROW."""
    row = image[FRAME_ROW, :MENU_PLACE[0]].astype(int)
    grey = (row.min(axis=1) >= 60) & (row.max(axis=1) - row.min(axis=1) <= 4)
    return np.nonzero(grey)[0].tolist()


def main():
    args = parse_arguments()

    with Dravik(args.binary, args.close_tool, args.artifacts, "shell") as dravik:
        dravik.wait_for_window()

        # The window appears, then moves to the centre of the screen.
        screen_width, screen_height = screen_size()
        centred = (max((screen_width - 1280) // 2, 0), max((screen_height - 768) // 2, 0), 1280, 768)
        wait_until(lambda: dravik.geometry() == centred, 10,
                   f"a 1280x768 client area at {centred[:2]} (last seen {dravik.geometry()})")

        icon = dravik.icon_size_and_first_pixel()
        assert icon == (409, 409, 0xFFFFFFFF), f"window icon {icon}"

        def drawn(image):
            return (region_is(image, *EMPTY_AREA, CLEAR_COLOUR)
                    and any((p.x, p.y) == MENU_PLACE for p in find_panels(image)))

        before = dravik.wait_for_picture(drawn, 20, "the clear colour and the main menu panel")
        dravik.save(before, "started")

        # Pan and zoom the drawing; the panel lies in screen space and stays put.
        assert frame_columns(before) == [], "the plot (rows 39 to 340) does not reach row 350 yet"
        # One dragged pixel moves the drawing by one pixel at the start zoom:
        # the frame's left line goes from x 19 to 79, its bottom from 340 to 390.
        dravik.drag((700, 400), (760, 450))
        panned = dravik.wait_for_picture(lambda image: frame_columns(image)[:1] == [79], 10,
                                         "the plot frame's left line at x 79")
        dravik.save(panned, "after-pan")
        # Zooming in about x 640 spreads the drawing from there by 1.1: 79 -> 22.9.
        dravik.wheel((640, 384), notches=1)
        dravik.wait_for_picture(lambda image: frame_columns(image)[:1] in ([22], [23]), 10,
                                "the plot frame's left line at x 22 or 23 after one notch")
        dravik.drag((1000, 9), (300, 450))  # starting over the panel's title bar
        dravik.wheel((120, 390), notches=-2)
        after = dravik.screenshot("after-pan-zoom")
        dravik.assert_running()
        top, left, bottom, right = PANEL_TITLE
        assert np.array_equal(before[top:bottom, left:right], after[top:bottom, left:right]), \
            "the panel moved with the drawing"
        assert region_is(after, *LEFT_BEHIND, CLEAR_COLOUR), "the drawing's old place was not cleared"

        dravik.close(timeout=10)
        print(dravik.log(), end="")


if __name__ == "__main__":
    run_test(main)
