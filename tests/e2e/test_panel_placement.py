"""Panels can always be found. A saved layout from a larger window (the main
menu at 1261,749, its right edge past the window's, the generator at
-137,-60) starts with the main menu docked at the top of the side bar and the
generator whole inside the 1280x768 window, where it was left floating;
"Reset Layout" docks both in the side bar again, one under the other; a window
made smaller keeps them inside."""

import os

from dravik_e2e import (FRAME_HEIGHT, MAIN_MENU_CLOSED_ROWS, TITLE_HEIGHT, WINDOW_PADDING, Dravik,
                        find_panels, other_panel, parse_arguments, run, run_test, side_bar_left, wait_for_panels,
                        wait_until)

SAVED_LAYOUT = ("[Window][dravik.smx main menu]\nPos=1261,749\nCollapsed=0\n\n"
                "[Window][Audio Generator]\nPos=-137,-60\nCollapsed=0\n\n")
# The main menu with its tree nodes closed: up to "FFT Options", then the
# mapper's options node, the "MIDI Notes" node and the "Reset Layout" button.
MENU_ROWS = MAIN_MENU_CLOSED_ROWS
RESET_LAYOUT = len(MENU_ROWS) - 1


def place_saved_layout(config_home):
    os.makedirs(os.path.join(config_home, "dravik"))
    with open(os.path.join(config_home, "dravik", "imgui.ini"), "w") as f:
        f.write(SAVED_LAYOUT)


def whole_panels(image):
    """The two panels, when both title bars lie wholly inside the picture and
    so does the main menu (the wider one) down to its last row."""
    height, width, _ = image.shape
    panels = find_panels(image)
    inside = [p for p in panels if p.x >= 0 and p.y >= 0 and p.x + p.width <= width and p.y + TITLE_HEIGHT <= height]
    if len(panels) != 2 or len(inside) != 2:
        return None
    menu = max(panels, key=lambda p: p.width)
    bottom = menu.row_tops(MENU_ROWS)[-1] + FRAME_HEIGHT + WINDOW_PADDING
    return panels if bottom <= height else None


def main():
    args = parse_arguments()

    with Dravik(args.binary, args.close_tool, args.artifacts, "placement", prepare=place_saved_layout) as dravik:
        dravik.wait_for_centred_window()
        generator = wait_for_panels(dravik)
        image = dravik.wait_for_picture(whole_panels, 10, "both panels whole inside the window")
        dravik.save(image, "saved-far-off")
        menu = other_panel(image, generator)
        assert (generator.x, generator.y) == (0, 0), f"generator {generator}"
        assert (menu.x, menu.y, menu.width) == (side_bar_left(), 0, 1280 - side_bar_left()), f"main menu {menu}"

        left, top = menu.widget(MENU_ROWS, RESET_LAYOUT)
        dravik.click((left + 20, top + FRAME_HEIGHT // 2))

        # Docked: the main menu at the top, the generator right under it.
        menu_bottom = menu.row_tops(MENU_ROWS)[-1] + FRAME_HEIGHT + WINDOW_PADDING

        def docked(picture):
            found = sorted((p.x, p.y) for p in find_panels(picture))
            return (len(found) == 2 and all(x == side_bar_left() for x, _ in found) and found[0][1] == 0
                    and abs(found[1][1] - menu_bottom) <= 2)

        dravik.save(dravik.wait_for_picture(docked, 10, f"the panels docked under y {menu_bottom}"), "reset")

        # A smaller window: both title bars come inside it.
        run("xdotool", "windowsize", str(dravik.window), "700", "500")
        wait_until(lambda: dravik.geometry()[2:] == (700, 500), 10, "the window at 700x500")
        dravik.save(dravik.wait_for_picture(whole_panels, 10, "both panels whole inside the 700x500 window"),
                    "shrunk")
        dravik.close(timeout=10)


if __name__ == "__main__":
    run_test(main)
