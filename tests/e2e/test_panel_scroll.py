"""Every control stays within reach at the default layout in a 1280x768
window: with every tree node of the main menu opened (each brought into view
by the mouse wheel first), the menu ends at the top of the generator panel
docked under it in the side bar and scrolls, and its last row ("Reset Layout" with the history's options) is
reached by the wheel and works; the "Audio Generator" panel's entry opened
shows its last control inside the window. Picking `File` in the "Source" row
shows the "Sound File" panel; a file chosen from its "Recent" combo opens, and
the panel's last control, the "Position" slider, lies inside the window.
Picking `Input` shows the "Sound Input" panel (there is no capture device
here), whose "Device" combo opens inside the window."""

import os

import numpy as np

from dravik_e2e import (FRAME, FRAME_HEIGHT, GENERATOR_NODE, GENERATOR_ROWS, ITEM_SPACING, MAIN_MENU_ROWS,
                        SEPARATOR, SOURCE, TEXT, TITLE_HEIGHT, TREE_LINE_HEIGHT, TREE_NODE, WINDOW_PADDING, Dravik,
                        checkbox_state, choose_combo_item, clear_band, combo_popup, find_panels, frame_at,
                        parse_arguments, run_test, side_bar_left, wait_for_panels, wait_until)
from test_file_source import write_tone

WINDOW_HEIGHT = 768
ROW_HEIGHT = {FRAME: FRAME_HEIGHT, TREE_NODE: TREE_LINE_HEIGHT, TEXT: TREE_LINE_HEIGHT, SEPARATOR: 0}
FFT_OPTIONS = MAIN_MENU_ROWS.index(TREE_NODE)


def node(title, children=()):
    return {"title": title, "children": list(children), "open": False}


# The main menu's rows below "FFT Options" (which starts the list), as
# (kind, indent, node or None); open nodes show their children, one indent in.
MENU = [
    node("FFT Options", [FRAME] * 6),
    node("Gaussian Cents Options", [FRAME] * 4 + [node("Fundamental Band", [FRAME] * 3),
                                                  node("Harmonic Bands", [FRAME] * 3)]),
    node("MIDI Notes", [FRAME] * 3 + [node("Note Tracker", [FRAME] * 13 + [node("Releases and Overtones",
                                                                                  [FRAME] * 8), FRAME])]),
    FRAME,  # "Reset Layout", "History Span" and "Spectrogram"
]


def flatten(items, indent=0):
    """(kind, indent, node) for every row shown."""
    rows = []
    for item in items:
        if isinstance(item, dict):
            rows.append((TREE_NODE, indent, item))
            if item["open"]:
                rows.extend(flatten(item["children"], indent + 1))
        else:
            rows.append((item, indent, None))
    return rows


def menu_rows():
    return [(kind, 0, None) for kind in MAIN_MENU_ROWS[:FFT_OPTIONS]] + flatten(MENU)


def row_tops(panel, rows, scroll):
    y = panel.y + TITLE_HEIGHT + WINDOW_PADDING - scroll
    tops = []
    for kind, _, _ in rows:
        tops.append(y)
        y += ROW_HEIGHT[kind] + ITEM_SPACING
    return tops


def all_nodes(items):
    for item in items:
        if isinstance(item, dict):
            yield item
            yield from all_nodes(item["children"])


def panel_below(image, panel):
    """The panel docked right under `panel` in the side bar."""
    below = [p for p in find_panels(image) if p.x == panel.x and p.y > panel.y]
    return min(below, key=lambda p: p.y) if below else None


class Menu:
    """The main menu, its rows placed by the model: from the top while it is
    not scrolled, or from its last row once scrolled to the end. It ends where
    the generator panel docked under it starts."""

    def __init__(self, dravik, panel):
        self.dravik, self.panel = dravik, panel

    def bottom(self, image=None):
        below = panel_below(self.dravik.screenshot() if image is None else image, self.panel)
        return below.y if below is not None else WINDOW_HEIGHT

    def last_row_top(self):
        """The top of the last row's "Spectrogram" checkbox, found on the picture."""
        image = self.dravik.screenshot()
        bottom = self.bottom(image)
        for top in range(bottom - FRAME_HEIGHT, bottom - 80, -1):
            for left in range(self.panel.x + 200, self.panel.x + 440):
                if checkbox_state(image, left, top) is not None:
                    return top, left
        return None

    def scroll_to_end(self):
        self.dravik.wheel((self.panel.x + 200, self.panel.y + 200), notches=-40)
        previous = [None]

        def settled():
            found = self.last_row_top()
            same = found is not None and found == previous[0]
            previous[0] = found
            return found if same else None

        return wait_until(settled, 20, "the menu scrolled to its last row")

    def open(self, title, from_end):
        rows = menu_rows()
        index = next(i for i, (_, _, n) in enumerate(rows) if n is not None and n["title"] == title)
        tops = row_tops(self.panel, rows, 0)
        if from_end:
            last_top, _ = self.scroll_to_end()
            top = last_top - (tops[-1] - tops[index])
        else:
            top = tops[index]
        assert self.panel.y + TITLE_HEIGHT < top and top + TREE_LINE_HEIGHT < self.bottom(), \
            f"\"{title}\" at y {top} is out of view"
        _, indent, item = rows[index]
        before = self.dravik.screenshot()
        self.dravik.click((self.panel.x + WINDOW_PADDING + indent * 21 + 40, top + TREE_LINE_HEIGHT // 2))
        self.dravik.wait_for_picture(lambda im: not np.array_equal(im, before), 10, f"\"{title}\" to open")
        item["open"] = True


# The "Source" row: the label "Source" and the radio buttons "Generators",
# "File" and "Input"; each button's label, in pixels from the row's left
# (7-pixel characters, 8 pixels between items, a 19-pixel circle and 4 pixels
# before each label).
SOURCE_LABEL_X = {"File": 174, "Input": 233}
# "Sound File" once a file is open: the path field with "Open" and "Open...",
# "Recent", the file's name, its format, "Play" with "Loop", and "Position".
FILE_ROWS = [FRAME, FRAME, TEXT, TEXT, FRAME, FRAME]
RECENT = 1


def pick_source(dravik, menu_panel, name):
    """Clicks a radio button of the main menu's "Source" row; returns the panel it shows."""
    top = menu_panel.row_tops(MAIN_MENU_ROWS)[SOURCE]
    dravik.click((menu_panel.x + WINDOW_PADDING + SOURCE_LABEL_X[name], top + FRAME_HEIGHT // 2))

    def shown():
        # Third in the side bar, under the main menu and the generator.
        found = sorted((p for p in find_panels(dravik.screenshot()) if p.x == side_bar_left()), key=lambda p: p.y)
        return found[2] if len(found) == 3 else None

    return wait_until(shown, 10, f"the panel that `{name}` shows")


def last_frame_top(image, panel, bottom):
    """The top of the lowest frame widget along the panel's left edge above row `bottom`, or None."""
    left = panel.x + WINDOW_PADDING
    for y in range(min(bottom, image.shape[0]) - FRAME_HEIGHT, panel.y + TITLE_HEIGHT, -1):
        if frame_at(image, left, y, width=60):
            return y
    return None


def source_panels(args):
    tone = os.path.join(args.artifacts, "scroll-tone.wav")
    write_tone(tone, 5.0)

    def recent_file(config_home):
        os.makedirs(os.path.join(config_home, "dravik"))
        with open(os.path.join(config_home, "dravik", "session.toml"), "w") as f:
            f.write(f"format = 'dravik-session'\nversion = 1\n[source]\nkind = 'generators'\nrecent = ['{tone}']\n")

    silent = dict(os.environ, ALSOFT_DRIVERS="null")
    with Dravik(args.binary, args.close_tool, args.artifacts, "panel-scroll-sources", env=silent,
                prepare=recent_file) as dravik:
        dravik.wait_for_centred_window()
        wait_for_panels(dravik)
        menu_panel = next(p for p in find_panels(dravik.screenshot()) if (p.x, p.y) == (side_bar_left(), 0))

        file_panel = pick_source(dravik, menu_panel, "File")
        choose_combo_item(dravik, file_panel, FILE_ROWS, RECENT, 0, item_count=1)
        # Open, the file adds its name and format lines and its player rows;
        # a long name wraps onto a second or third line. Below the panel
        # the history may show colours that look like a frame.
        expected = file_panel.row_tops(FILE_ROWS)[-1]
        bottom = expected + FRAME_HEIGHT + 2 * TREE_LINE_HEIGHT
        image = dravik.wait_for_picture(lambda im: (last_frame_top(im, file_panel, bottom) or 0) >= expected, 15,
                                        "the opened file's \"Position\" slider")
        dravik.save(image, "sound-file")
        position = last_frame_top(image, file_panel, bottom)
        assert position + FRAME_HEIGHT <= WINDOW_HEIGHT, f"the \"Position\" slider at y {position} is below the window"
        dravik.assert_running()

        input_panel = pick_source(dravik, menu_panel, "Input")
        # The "Device" combo, and text below it where the file panel had its "Recent" combo.
        left, top = input_panel.widget([FRAME], 0)
        _, below = input_panel.widget(FILE_ROWS, RECENT)
        image = dravik.wait_for_picture(
            lambda im: frame_at(im, left, top, width=60) and not frame_at(im, left, below, width=60), 10,
            "the \"Device\" combo")
        dravik.save(image, "sound-input")
        assert top + FRAME_HEIGHT <= WINDOW_HEIGHT
        dravik.click((left + 40, top + FRAME_HEIGHT // 2))
        dravik.wait_for_picture(lambda im: combo_popup(im, left, top, 1) is not None, 10,
                                "the \"Device\" combo's list")
        dravik.close(timeout=10)


def main():
    args = parse_arguments()
    source_panels(args)
    with Dravik(args.binary, args.close_tool, args.artifacts, "panel-scroll") as dravik:
        dravik.wait_for_centred_window()
        wait_for_panels(dravik)
        menu_panel = next(p for p in find_panels(dravik.screenshot()) if (p.x, p.y) == (side_bar_left(), 0))
        menu = Menu(dravik, menu_panel)
        # From the bottom up, so each node opens where the model says it is:
        # first the two in view at the top, then each from the menu's end.
        menu.open("Gaussian Cents Options", from_end=False)
        menu.open("FFT Options", from_end=False)
        for title in ("Harmonic Bands", "Fundamental Band", "MIDI Notes", "Note Tracker", "Releases and Overtones"):
            menu.open(title, from_end=True)
        assert all(n["open"] for n in all_nodes(MENU))
        dravik.save(dravik.screenshot(), "all-open")

        # The last row, reached by the wheel: its "Spectrogram" checkbox works.
        top, left = menu.scroll_to_end()
        image = dravik.screenshot("last-row")
        state = checkbox_state(image, left, top)
        dravik.click((left + FRAME_HEIGHT // 2, top + FRAME_HEIGHT // 2))
        dravik.wait_for_picture(lambda im: checkbox_state(im, left, top) == (not state), 10,
                                "the last row's checkbox to change")
        # Nothing of the menu hangs below the window: its bottom border is the window's last rows.
        assert all(p.y + TITLE_HEIGHT <= WINDOW_HEIGHT for p in find_panels(dravik.screenshot()))

        # The generator's entry opened under the open menu: the side bar gives
        # the generator what is left of its height, and its last control, the
        # "Note" combo (the entry's lowest frame), is reached by the wheel.
        generator = panel_below(dravik.screenshot(), menu_panel)
        before = dravik.screenshot()
        dravik.click(generator.tree_node_label(GENERATOR_ROWS, GENERATOR_NODE))
        dravik.wait_for_picture(lambda im: not np.array_equal(im, before), 10, "the generator's entry to open")
        assert panel_below(dravik.screenshot(), menu_panel).y == generator.y, "the generator moved as it opened"
        dravik.wheel((generator.x + 200, generator.y + TITLE_HEIGHT + 20), notches=-20)
        left = generator.x + WINDOW_PADDING + 21
        bottom = clear_band()[0]

        def note_combo(image):
            for top in range(int(bottom) - FRAME_HEIGHT, generator.y + TITLE_HEIGHT, -1):
                if frame_at(image, left, top, width=60):
                    return top
            return None

        previous = [None]

        def scrolled(image):
            top = note_combo(image)
            same = top is not None and top == previous[0]
            previous[0] = top
            return same

        image = dravik.wait_for_picture(scrolled, 10, "the generator scrolled to the \"Note\" combo")
        dravik.save(image, "generator-scrolled")
        top = note_combo(image)
        assert top + FRAME_HEIGHT <= WINDOW_HEIGHT, f"the \"Note\" combo at y {top} is below the window"
        dravik.close(timeout=10)


if __name__ == "__main__":
    run_test(main)
