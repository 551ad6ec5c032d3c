"""The real program opens its window centred, draws, takes pan and zoom input,
and ends with status 0 on a window manager's close request."""


import numpy as np

from dravik_e2e import (CLEAR_COLOUR, Dravik, parse_arguments, region_differs, region_is, run_test,
                        screen_size, wait_until)

# ImGui places a new panel at (60, 60); its title bar is about 19 pixels high.
PANEL_TITLE = (62, 62, 78, 200)  # top, left, bottom, right
EMPTY_AREA = (600, 1100, 760, 1270)


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
                    and region_differs(image, *PANEL_TITLE, CLEAR_COLOUR))

        before = dravik.wait_for_picture(drawn, 20, "the clear colour and the main menu panel")
        dravik.save(before, "started")

        # Pan and zoom the drawing; the panel lies in screen space and stays put.
        dravik.drag((700, 400), (760, 360))
        dravik.wheel((640, 384), notches=1)
        dravik.drag((100, 70), (300, 300))  # starting over the panel pans too
        dravik.wheel((120, 90), notches=-2)
        after = dravik.screenshot("after-pan-zoom")
        dravik.assert_running()
        top, left, bottom, right = PANEL_TITLE
        assert np.array_equal(before[top:bottom, left:right], after[top:bottom, left:right]), \
            "the panel moved with the drawing"
        assert region_is(after, *EMPTY_AREA, CLEAR_COLOUR)

        dravik.close(timeout=10)
        print(dravik.log(), end="")


if __name__ == "__main__":
    run_test(main)
