"""Drives the real Dravik program on the X display in $DISPLAY.

Start it, wait for its window, look at it, move the mouse, and close it the way
a window manager's close button does. Every wait polls a condition with a
deadline; nothing sleeps for a fixed time. Each session gets its own
XDG_CONFIG_HOME, so no ImGui settings carry over between runs.
"""

import argparse
import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np

TITLE = "Dravik v1.0 (Article 4)"
CLEAR_COLOUR = (32, 32, 32)


def parse_arguments(*extra):
    """The arguments of every test driving the program: --binary, --close-tool,
    --artifacts, plus (option, help) pairs of its own; all required."""
    parser = argparse.ArgumentParser()
    for option in ("--binary", "--close-tool", "--artifacts"):
        parser.add_argument(option, required=True)
    for option, text in extra:
        parser.add_argument(option, required=True, help=text)
    return parser.parse_args()


def run_test(main):
    """Runs main; a failed assertion is reported in one line and exits 1."""
    try:
        main()
    except AssertionError as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        sys.exit(1)


def wait_until(condition, timeout, what, interval=0.05):
    """Polls condition() until it returns something other than None or False
    (numpy's False included), and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value is not None and not (isinstance(value, (bool, np.bool_)) and not value):
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def wave_recording(artifacts, name, rt_mixer=False):
    """(WAV path, environment) for a run whose sound OpenAL Soft's wave backend
    records to artifacts/name.wav, any earlier recording removed; rt_mixer
    gives OpenAL's mixing thread real-time priority, as a sound server has its
    own. Without a
    GPU, Mesa's llvmpipe renders on worker threads that take about one and a
    half cores; kept on the frame thread (LP_NUM_THREADS=0), it leaves a core
    to the sound's threads, as a graphics card would."""
    os.makedirs(artifacts, exist_ok=True)
    wav = os.path.join(artifacts, f"{name}.wav")
    conf = os.path.join(artifacts, f"{name}-alsoft.conf")
    if os.path.exists(wav):
        os.remove(wav)
    with open(conf, "w") as f:
        f.write(f"[general]\ndrivers = wave\nrt-prio = {1 if rt_mixer else 0}\n\n[wave]\nfile = {wav}\n")
    environment = dict(os.environ, ALSOFT_CONF=conf, LP_NUM_THREADS="0")
    environment.pop("ALSOFT_DRIVERS", None)
    return wav, environment


# The note row in window pixels while the world view is unmoved: one column of
# 160/11 pixels per note, note 24's starting at x = 6.27 (the plot's log axis
# uses the same columns).
KEY_WIDTH = 14.545455


def note_column_left(note):
    return (note - 24) * KEY_WIDTH + 6.2727275


# The layout at the start view. The panels dock in a side bar down the
# window's right edge, each at least SIDE_BAR_WIDTH wide and right-aligned,
# stacked from the top: the main menu, "Audio Generator", then "Sound File" or
# "Sound Input". The history lies under the plot from y HISTORY_TOP to 4
# pixels above the window's bottom edge, its keyboard strip the lowest
# KEYBOARD_HEIGHT of them; the side bar ends above the history's newest
# CLEAR_SECONDS at the default span.
SIDE_BAR_WIDTH = 400
HISTORY_TOP = 380
KEYBOARD_HEIGHT = 22
HISTORY_SPAN = 10.0
CLEAR_SECONDS = 2.0


def side_bar_left(window_width=1280):
    """Where the side bar's panels start at their least width."""
    return window_width - SIDE_BAR_WIDTH


def history_area(window_height=768):
    """(top, bottom) of the history's time area in window pixels; the bottom,
    the keyboard's top edge, is now."""
    return HISTORY_TOP, window_height - 4 - KEYBOARD_HEIGHT


def clear_band(window_height=768):
    """(top, bottom) of the history's newest CLEAR_SECONDS at the default span."""
    top, bottom = history_area(window_height)
    return bottom - (bottom - top) * CLEAR_SECONDS / HISTORY_SPAN, bottom


def saved_panels(config_home):
    """{title: (x, y, width, height, collapsed)} of every panel in the layout
    the program saved on its way out."""
    path = os.path.join(config_home, "dravik", "imgui.ini")
    with open(path) as f:
        text = f.read()
    panels = {}
    for title, body in re.findall(r"\[Window\]\[([^\]]+)\]\n((?:[^\[\n][^\n]*\n)*)", text):
        pos = re.search(r"Pos=(-?\d+),(-?\d+)", body)
        size = re.search(r"Size=(\d+),(\d+)", body)
        collapsed = re.search(r"Collapsed=1", body) is not None
        if pos and size:
            panels[title] = (int(pos.group(1)), int(pos.group(2)), int(size.group(1)), int(size.group(2)), collapsed)
    return panels


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def screen_size():
    info = run("xwininfo", "-root")
    return (int(re.search(r"Width: (\d+)", info).group(1)),
            int(re.search(r"Height: (\d+)", info).group(1)))


class DisplayHold:
    """Holds one X connection open. Xvfb resets itself whenever its last client
    leaves and refuses connections while it does; with this held, the program's
    and the tools' connections never fall into that gap."""

    def __init__(self, timeout=10):
        self._x11 = ctypes.CDLL("libX11.so.6")
        self._x11.XOpenDisplay.restype = ctypes.c_void_p
        self._x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self._x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self._display = wait_until(lambda: self._x11.XOpenDisplay(None), timeout,
                                   f"a connection to DISPLAY={os.environ.get('DISPLAY')}")

    def close(self):
        if self._display:
            self._x11.XCloseDisplay(self._display)
            self._display = None

    def abandon(self):
        """The server is gone: drop the connection without touching it (Xlib
        would end this process on the first call that meets the dead server)."""
        self._display = None


class Dravik:
    """One run of the program. Use as a context manager so it never outlives the test."""

    def __init__(self, binary, close_tool, artifacts, name, env=None, arguments=(), prepare=None):
        """env, when given, replaces the environment the program starts with;
        arguments follow the program's name on its command line; prepare, when
        given, is called with the fresh XDG_CONFIG_HOME folder before the
        program starts (to place settings files in it)."""
        self.binary = binary
        self.arguments = list(arguments)
        self.env = env
        self.prepare = prepare
        self.close_tool = close_tool
        self.artifacts = artifacts
        self.name = name
        self.process = None
        self.window = None
        self.config_home = None
        self.log_path = os.path.join(artifacts, f"{name}.stderr.txt")
        self._log = None
        self._display_hold = None

    def __enter__(self):
        self.start(self.env)
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    # -- life cycle ---------------------------------------------------------

    def start(self, env=None):
        os.makedirs(self.artifacts, exist_ok=True)
        self._display_hold = DisplayHold()
        self.config_home = tempfile.mkdtemp(prefix="dravik-e2e-")
        if self.prepare is not None:
            self.prepare(self.config_home)
        environment = dict(os.environ if env is None else env, XDG_CONFIG_HOME=self.config_home)
        self._log = open(self.log_path, "w")
        self.process = subprocess.Popen([self.binary, *self.arguments], env=environment, stdout=self._log,
                                        stderr=subprocess.STDOUT)

    def stop(self):
        """Kills the program if it is still running and removes its settings folder."""
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self._log is not None:
            self._log.close()
            self._log = None
        if self.config_home is not None:
            if os.path.islink(self.config_home) or os.path.isfile(self.config_home):
                os.remove(self.config_home)
            else:
                shutil.rmtree(self.config_home, ignore_errors=True)
            self.config_home = None
        if self._display_hold is not None:
            self._display_hold.close()
            self._display_hold = None

    def abandon_display(self):
        """The X server is gone: forget the held connection without closing it."""
        if self._display_hold is not None:
            self._display_hold.abandon()
            self._display_hold = None

    def log(self):
        with open(self.log_path) as f:
            return f.read()

    def assert_running(self):
        if self.process.poll() is not None:
            raise AssertionError(f"dravik exited early with status {self.process.returncode}:\n{self.log()}")

    def wait_for_window(self, timeout=30):
        """Waits until the window titled TITLE is mapped; returns its X11 id."""
        pattern = "^" + re.escape(TITLE) + "$"

        def find():
            self.assert_running()
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                                   capture_output=True, text=True)
            ids = found.stdout.split()
            return int(ids[0]) if ids else None

        self.window = wait_until(find, timeout, f"the window '{TITLE}'")
        return self.window

    def wait_for_centred_window(self, timeout=30):
        """Waits for the window and for it to settle at 1280x768 in the middle of the screen."""
        self.wait_for_window(timeout)
        screen_width, screen_height = screen_size()
        centred = (max((screen_width - 1280) // 2, 0), max((screen_height - 768) // 2, 0), 1280, 768)
        wait_until(lambda: self.geometry() == centred, 10,
                   f"a 1280x768 client area at {centred[:2]} (last seen {self.geometry()})")

    def request_close(self):
        """Sends WM_DELETE_WINDOW, as a window manager's close button does."""
        run(self.close_tool, str(self.window))

    def close(self, timeout=10):
        """Requests the close and checks the program ends with status 0."""
        self.request_close()
        status = self.wait_exit(timeout)
        assert status == 0, f"exit status {status}:\n{self.log()}"

    def wait_exit(self, timeout=10):
        """Waits for the program to end and returns its exit status."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"dravik still running {timeout} s after the close request")

    # -- looking ------------------------------------------------------------

    def geometry(self):
        """(x, y, width, height) of the window's client area on the screen."""
        info = run("xwininfo", "-id", str(self.window))

        def field(label):
            return int(re.search(label + r":\s+(-?\d+)", info).group(1))

        return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
                field("Width"), field("Height"))

    def icon_size_and_first_pixel(self):
        """(width, height, first ARGB pixel) of the window's _NET_WM_ICON, or None."""
        text = run("xprop", "-id", str(self.window), "-notype", "32c", "_NET_WM_ICON")
        numbers = re.findall(r"\d+", text.split("=", 1)[-1])[:3]
        return tuple(int(n) for n in numbers) if len(numbers) == 3 else None

    def screenshot(self, name=None):
        """The window's pixels as an array of rows of RGB; saved as a PNG when named."""
        _, _, width, height = self.geometry()
        raw = subprocess.run(["import", "-window", str(self.window), "-depth", "8", "rgb:-"],
                             check=True, capture_output=True).stdout
        image = np.frombuffer(raw, dtype=np.uint8)
        if image.size != width * height * 3:
            raise AssertionError(f"screenshot has {image.size} bytes, expected {width}x{height}x3")
        image = image.reshape(height, width, 3)
        if name is not None:
            self.save(image, name)
        return image

    def save(self, image, name):
        height, width, _ = image.shape
        path = os.path.join(self.artifacts, f"{self.name}-{name}.png")
        subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", "rgb:-", path],
                       input=image.tobytes(), check=True)
        return path

    def wait_for_picture(self, condition, timeout, what):
        """Takes screenshots until condition(image) holds; returns that image."""
        def attempt():
            self.assert_running()
            image = self.screenshot()
            return image if condition(image) else None

        return wait_until(attempt, timeout, what, interval=0.1)

    # -- mouse --------------------------------------------------------------
    # The pointer moves relative to the window; buttons go through XTEST like a
    # real device (xdotool's --window on clicks would use XSendEvent instead).
    # A move waits until the pointer is there, and a button that follows it
    # goes in the same command, so the button acts where the move went.

    def _move_args(self, x, y):
        return ["mousemove", "--sync", "--window", str(self.window), str(x), str(y)]

    def move(self, x, y):
        run("xdotool", *self._move_args(x, y))

    def drag(self, start, end, button=3, steps=5):
        run("xdotool", *self._move_args(*start), "mousedown", str(button))
        for i in range(1, steps + 1):
            self.move(start[0] + (end[0] - start[0]) * i // steps,
                      start[1] + (end[1] - start[1]) * i // steps)
        run("xdotool", "mouseup", str(button))

    def wheel(self, at, notches=1):
        """Turns the wheel at a window pixel: forward (zoom in) for positive notches."""
        button = "4" if notches > 0 else "5"
        run("xdotool", *self._move_args(*at), *(["click", button] * abs(notches)))

    def click(self, at, button=1):
        run("xdotool", *self._move_args(*at), "click", str(button))

    def drag_panel(self, panel, to, timeout=15):
        """Drags an ImGui panel by its title bar until its top-left corner is at
        `to`; returns the panel as found there. The panel takes the focus."""
        grab = [panel.x + panel.width - 12, panel.y + TITLE_HEIGHT // 2]
        run("xdotool", *self._move_args(*grab), "mousedown", "1")
        try:
            # The press and a motion right after it can reach the program in one
            # frame, and the press then counts where the motion ended: nudge a
            # pixel at a time until the panel follows the pointer.
            def follows():
                grab[0] += 1
                self.move(*grab)
                self.assert_running()
                moved = active_panel(self.screenshot())
                return moved if moved is not None and moved.x != panel.x else None

            moved = wait_until(follows, timeout, f"{panel} to follow the pointer", interval=0)
            # Let it settle, so the pointer's offset from the corner is known.
            previous = [moved]

            def settled():
                now = active_panel(self.screenshot())
                same = now is not None and (now.x, now.y) == (previous[0].x, previous[0].y)
                previous[0] = now if now is not None else previous[0]
                return now if same else None

            moved = wait_until(settled, timeout, "the dragged panel to settle")
            pointer = [to[0] + grab[0] - moved.x, to[1] + grab[1] - moved.y]
            self.move(*pointer)

            # On a loaded machine the panel may not yet have caught up with the
            # pointer when it looked settled: once it rests off the target, the
            # pointer moves on by what is missing.
            last = [None]

            def arrived():
                now = active_panel(self.screenshot())
                if now is not None and (now.x, now.y) == tuple(to):
                    return now
                if now is not None and last[0] is not None and (now.x, now.y) == (last[0].x, last[0].y):
                    pointer[0] += to[0] - now.x
                    pointer[1] += to[1] - now.y
                    self.move(*pointer)
                last[0] = now
                return None

            wait_until(arrived, timeout, f"the dragged panel at {tuple(to)}", interval=0.1)
        finally:
            run("xdotool", "mouseup", "1")
        # The side bar closes up behind a panel dragged out of it.
        return next(p for p in stable_panels(self, timeout) if (p.x, p.y) == tuple(to))


def region_is(image, top, left, bottom, right, colour):
    return bool(np.all(image[top:bottom, left:right] == np.array(colour, dtype=np.uint8)))


def region_differs(image, top, left, bottom, right, colour):
    """True when some pixel of the region is not colour."""
    return bool(np.any(image[top:bottom, left:right] != np.array(colour, dtype=np.uint8)))


# -- Dear ImGui panels ------------------------------------------------------
# The panels use Dear ImGui's default style and its 13 px font, which fix their
# layout: a title bar of 19 pixels (border row included), 8 pixels of window
# padding, frame widgets (buttons, checkboxes, sliders, combos, label texts)
# 19 pixels high, tree node lines 13 high, 4 pixels between items, a separator
# taking no height of its own, text lines and tree node lines 13 high, and
# children of an open tree node indented 21.

TITLE_ACTIVE = (41, 74, 122)
TITLE_INACTIVE = (10, 10, 10)
TITLE_HEIGHT = 19
WINDOW_PADDING = 8
FRAME_HEIGHT = 19
TREE_LINE_HEIGHT = 13
ITEM_SPACING = 4
INDENT = 21

FRAME = "frame"
TREE_NODE = "tree node"
TEXT = "text"
SEPARATOR = "separator"
_ROW_HEIGHT = {FRAME: FRAME_HEIGHT, TREE_NODE: TREE_LINE_HEIGHT, TEXT: TREE_LINE_HEIGHT, SEPARATOR: 0}


class Panel:
    """An ImGui window on the screenshot: its top-left corner, width, and whether it has the focus."""

    def __init__(self, x, y, width, active):
        self.x, self.y, self.width, self.active = x, y, width, active

    def __repr__(self):
        return f"Panel(x={self.x}, y={self.y}, width={self.width}, active={self.active})"

    def row_tops(self, rows):
        """Top y of each row of a list of row kinds (FRAME, TREE_NODE, TEXT, SEPARATOR), in window pixels."""
        y = self.y + TITLE_HEIGHT + WINDOW_PADDING
        tops = []
        for kind in rows:
            tops.append(y)
            y += _ROW_HEIGHT[kind] + ITEM_SPACING
        return tops

    def widget(self, rows, index, indent=0):
        """(left, top) of the index-th row's widget."""
        return self.x + WINDOW_PADDING + indent * INDENT, self.row_tops(rows)[index]

    def tree_node_label(self, rows, index, indent=0):
        """A point on the label of the index-th row, a tree node: clicking it opens or closes the node."""
        left, top = self.widget(rows, index, indent)
        return left + 40, top + TREE_LINE_HEIGHT // 2


def find_panels(image):
    """Every ImGui window whose title bar shows: a run of the title colour at least
    40 pixels wide and exactly 18 rows high, inside the window's 1-pixel border."""
    panels = []
    height, width, _ = image.shape
    for colour, active in ((TITLE_ACTIVE, True), (TITLE_INACTIVE, False)):
        mask = np.all(image == np.array(colour, dtype=np.uint8), axis=2)
        corner = mask.copy()
        corner[1:, :] &= ~mask[:-1, :]
        corner[:, 1:] &= ~mask[:, :-1]
        for y, x in zip(*np.nonzero(corner)):
            bar = TITLE_HEIGHT - 1
            if y + bar > height or not mask[y:y + bar, x].all():
                continue
            if y + bar < height and mask[y + bar, x]:
                continue
            row = mask[y, x:]
            run_length = int(np.argmin(row)) if not row.all() else len(row)
            if run_length >= 40:
                panels.append(Panel(int(x) - 1, int(y) - 1, run_length + 2, active))
    return panels


def active_panel(image):
    found = [p for p in find_panels(image) if p.active]
    return found[0] if len(found) == 1 else None


def checkbox_state(image, left, top):
    """True or False for a ticked or clear ImGui checkbox whose 19-pixel square
    starts at (left, top); None when no checkbox frame is there. The frame is a
    blue tint over the dark window; the tick is the bright blue (66, 150, 250)."""
    box = image[top:top + FRAME_HEIGHT, left:left + FRAME_HEIGHT].astype(int)
    if box.shape[:2] != (FRAME_HEIGHT, FRAME_HEIGHT):
        return None
    rim = np.concatenate([box[1, 1:-1], box[-2, 1:-1], box[1:-1, 1], box[1:-1, -2]])
    if not np.all(rim[:, 2] - rim[:, 0] > 20) or np.ptp(rim, axis=0).max() > 8:
        return None
    tick = (box[:, :, 2] > 200) & (box[:, :, 1] > 120) & (box[:, :, 0] < 110)
    return bool(tick.sum() >= 6)


def frame_at(image, left, top, width=FRAME_HEIGHT):
    """True when an ImGui frame widget (slider, combo, checkbox) starts at (left, top):
    its top and bottom rims are the frame's blue tint."""
    rims = image[[top + 1, top + FRAME_HEIGHT - 2], left + 1:left + width - 1].astype(int)
    if rims.shape[1] != width - 2:
        return False
    return bool(np.all(rims[:, :, 2] - rims[:, :, 0] > 20) and np.ptp(rims, axis=(0, 1)).max() <= 8)


# -- this program's panels ---------------------------------------------------

# "Audio Generator": "Add", a separator, the "Audio Generator 1" tree node and,
# once it is open, "Delete" and "Enabled".
GENERATOR_ROWS = [FRAME, SEPARATOR, TREE_NODE, FRAME, FRAME]
GENERATOR_NODE, GENERATOR_ENABLED = 2, 4

# "dravik.smx main menu": "FPS", "Sample Rate##1", "Mute Audio" with "Reset
# View", the "Source" radio buttons, the output gain and underrun lines, a
# separator, two rows of grid checkboxes, the "Log Frequency Axis" and "dB"
# row, the "Peak" readout, a separator, "MIDI Mapper", the mapper radio
# buttons, a separator, the "FFT Options" node and, once it is open,
# "Windowing Type", "FFT Hop Rate##1" and "FFT Window Sizes". Closed, the
# mapper's options node, the "MIDI Notes" node and "Reset Layout" follow the
# "FFT Options" node.
MAIN_MENU_ROWS = [FRAME, FRAME, FRAME, FRAME, TEXT, TEXT, SEPARATOR, FRAME, FRAME, FRAME, FRAME, SEPARATOR, FRAME,
                  FRAME, SEPARATOR, TREE_NODE, FRAME, FRAME, FRAME]
MUTE_AUDIO, SOURCE, LOG_AXIS, PEAK_READOUT, FFT_OPTIONS, FFT_WINDOW_SIZES = 2, 3, 9, 10, 15, 18
MAIN_MENU_CLOSED_ROWS = MAIN_MENU_ROWS[:FFT_OPTIONS + 1] + [TREE_NODE, TREE_NODE, FRAME]

# A combo's popup lists its items 17 pixels apart (13 px line, 4 px spacing)
# inside 8 pixels of padding.
COMBO_ITEM_PITCH = 17
COMBO_POPUP_PADDING = 8


def stable_panels(dravik, timeout=10):
    """The panels once two pictures in a row show the same ones at the same
    places: the side bar stacks its panels by the sizes ImGui measured in the
    frames before, so a panel shown, opened or dragged away moves the ones
    under it a frame or two later."""
    previous = [None]

    def same():
        panels = find_panels(dravik.screenshot())
        places = sorted((p.x, p.y, p.width, p.active) for p in panels)
        agreed = bool(places) and places == previous[0]
        previous[0] = places
        return panels if agreed else None

    return wait_until(same, timeout, "the panels to stand still")


def wait_for_panels(dravik, timeout=30):
    """Waits for the panels to be drawn and to stand still. The "Audio
    Generator" window is drawn last, so it starts with the focus on top of the
    main menu; returns it."""
    dravik.wait_for_picture(lambda im: active_panel(im) is not None, timeout,
                            "the focused \"Audio Generator\" panel")
    found = [p for p in stable_panels(dravik, timeout) if p.active]
    assert len(found) == 1, f"focused panels {found}"
    return found[0]


def other_panel(image, panel):
    """The panel on the picture that is not at panel's place."""
    found = [p for p in find_panels(image) if (p.x, p.y) != (panel.x, panel.y)]
    if len(found) != 1:
        raise AssertionError(f"expected one other panel besides {panel}, found {find_panels(image)}")
    return found[0]


def set_checkbox(dravik, panel, rows, index, value, indent=0, timeout=10):
    """Clicks the checkbox of the given row unless it already shows value; waits until it does."""
    left, top = panel.widget(rows, index, indent)
    image = dravik.wait_for_picture(lambda im: checkbox_state(im, left, top) is not None, timeout,
                                    f"a checkbox at ({left}, {top})")
    if checkbox_state(image, left, top) != value:
        dravik.click((left + FRAME_HEIGHT // 2, top + FRAME_HEIGHT // 2))
    return dravik.wait_for_picture(lambda im: checkbox_state(im, left, top) == value, timeout,
                                   f"the checkbox at ({left}, {top}) to show {value}")


def open_tree_node(dravik, panel, rows, index, first_child, indent=0, timeout=10):
    """Clicks a closed tree node's label and waits for the frame widget of its first child row."""
    left, top = panel.widget(rows, first_child, indent + 1)
    dravik.click(panel.tree_node_label(rows, index, indent))
    return dravik.wait_for_picture(lambda im: frame_at(im, left, top), timeout,
                                   f"the tree node at row {index} to open")


def combo_popup(image, left, top, item_count):
    """(first, end) rows of the open popup of the combo at (left, top) with
    item_count lines, below it or above it; None while it is closed. Its left
    border is a grey line as high as the popup over the combo's left edge."""
    popup_height = 2 * COMBO_POPUP_PADDING + item_count * COMBO_ITEM_PITCH - ITEM_SPACING
    for first, end in ((top + FRAME_HEIGHT, top + FRAME_HEIGHT + popup_height), (top - popup_height, top)):
        if first < 0 or end > image.shape[0]:
            continue
        red, green, blue = image[first:end, left].astype(int).T
        if (np.all((red >= 50) & (red <= 90)) and np.all(np.abs(green - red) <= 2)
                and np.all((blue - red >= 5) & (blue - red <= 14))):
            return first, end
    return None


def choose_combo_item(dravik, panel, rows, index, item, indent=0, item_count=7, timeout=10):
    """Opens the combo of the given row and clicks its item-th item; returns the
    first picture without the popup (the combo may show the choice only from
    the frame after). The popup opens below the combo, or above it
    when there is no room below."""
    left, top = panel.widget(rows, index, indent)

    def popup_side(image):
        return combo_popup(image, left, top, item_count)

    dravik.click((left + 40, top + FRAME_HEIGHT // 2))
    image = dravik.wait_for_picture(lambda im: popup_side(im) is not None, timeout, "the combo's popup")
    first, _ = popup_side(image)
    dravik.click((left + 40, first + COMBO_POPUP_PADDING + item * COMBO_ITEM_PITCH + TREE_LINE_HEIGHT // 2))
    return dravik.wait_for_picture(lambda im: popup_side(im) is None, timeout, "the combo's popup to close")
