#!/usr/bin/env python3
"""A seeded random driver for the real program: it clicks, drags, turns the
wheel and presses keys all over the window and its panels, adds and deletes
generators, switches mappers, opens combos, and Ctrl+clicks fields to type
extreme values. Meant for a sanitizer build (ASan + UBSan, or TSan).

Fails on a crash, any sanitizer report in the program's output, growth of the
resident memory, or a hang: a frame loop that does not answer the close
request at the end. Prints the figures (events sent, resident memory first
and last, frames per second) and exits 0 when clean.

Run on an X display (xvfb-run), e.g.:
  tests/soak/soak.py --binary build-asan/src/app/dravik \\
      --close-tool build-asan/tools/dravik_close_window \\
      --frame-counter build-asan/tests/e2e/libdravik_frame_counter.so --seconds 600 --seed 1
"""

import argparse
import os
import random
import re
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from dravik_e2e import (FRAME_HEIGHT, GENERATOR_ENABLED, GENERATOR_NODE, GENERATOR_ROWS, ITEM_SPACING,  # noqa: E402
                        MAIN_MENU_ROWS, MUTE_AUDIO, TITLE_HEIGHT, WINDOW_PADDING, Dravik, find_panels, open_tree_node,
                        other_panel, run, set_checkbox, wait_for_panels)

# Typed into fields: the values a user may type by mistake or on purpose.
EXTREMES = ["0", "-1", "1e30", "-1e30", "nan", "inf", "-inf", "2147483647", "99999999999", "", "text", "1e-30",
            "-0", "0.5", "440", "22050", "1e39"]
KEYS = ["Home", "Escape", "Return", "Tab", "space", "Up", "Down", "Left", "Right", "BackSpace", "Delete", "a", "1",
        "ctrl+a", "ctrl+z"]
# The window's size, and where the panels are dragged out of the side bar to.
WIDTH, HEIGHT = 1280, 768
GENERATOR_PLACE, MENU_PLACE = (700, 420), (60, 420)
SAMPLE_SECONDS = 10
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak|Memory)Sanitizer|WARNING: ThreadSanitizer|runtime error:|"
                              r"SUMMARY: \w+Sanitizer")


def resident_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1)) / 1024.0


def sanitizer_runtimes(binary):
    """The sanitizer runtimes the program links: they must come first in LD_PRELOAD."""
    listing = subprocess.run(["ldd", binary], capture_output=True, text=True).stdout
    return re.findall(r"=>\s*(\S*lib[at]san\S*)", listing)


class Driver:
    def __init__(self, dravik, rng):
        self.dravik = dravik
        self.rng = rng
        self.events = 0
        self.typed = 0
        self.panels = []

    def xdotool(self, *args):
        run("xdotool", *args)
        self.events += 1

    def point(self, top=0):
        return self.rng.randrange(0, WIDTH), self.rng.randrange(top, HEIGHT)

    def refresh_panels(self):
        self.panels = [p for p in find_panels(self.dravik.screenshot()) if 0 <= p.x < WIDTH and 0 <= p.y < HEIGHT]

    def panel_row(self):
        """A point on some row of some panel, below its title bar (dragging a
        title bar would move the panel out of reach), or None."""
        if not self.panels:
            return None
        panel = self.rng.choice(self.panels)
        row = self.rng.randrange(0, 24)
        y = panel.y + TITLE_HEIGHT + WINDOW_PADDING + row * (FRAME_HEIGHT + ITEM_SPACING) // 2 + 3
        x = panel.x + WINDOW_PADDING + self.rng.randrange(0, max(panel.width - 2 * WINDOW_PADDING, 1))
        return (x, y) if y < HEIGHT else None

    def move(self, at):
        self.dravik.move(*at)
        self.events += 1

    # -- actions -------------------------------------------------------------

    def click(self):
        at = self.panel_row() if self.rng.random() < 0.8 else self.point(top=TITLE_HEIGHT)
        if at:
            self.move(at)
            self.xdotool("click", "1")

    def drag(self):
        """A left drag along a panel row (a slider), or a right drag over the drawing (a pan)."""
        button = self.rng.choice(["1", "3"])
        start = self.panel_row() if button == "1" else self.point()
        if not start:
            return
        self.move(start)
        self.xdotool("mousedown", button)
        for _ in range(self.rng.randrange(1, 6)):
            x = start[0] + self.rng.randrange(-300, 300)
            y = start[1] if button == "1" else self.rng.randrange(0, HEIGHT)
            self.move((min(max(x, 0), WIDTH - 1), min(max(y, 0), HEIGHT - 1)))
        self.xdotool("mouseup", button)

    def wheel(self):
        self.move(self.point())
        self.xdotool("click", "--repeat", str(self.rng.randrange(1, 6)), self.rng.choice(["4", "5"]))

    def key(self):
        self.xdotool("key", self.rng.choice(KEYS))

    def type_extreme(self):
        """Ctrl+clicks a panel row (a slider becomes a text field) and types an extreme."""
        at = self.panel_row()
        if not at:
            return
        self.move(at)
        self.xdotool("keydown", "ctrl")
        self.xdotool("click", "1")
        self.xdotool("keyup", "ctrl")
        value = self.rng.choice(EXTREMES)
        self.xdotool("key", "ctrl+a")
        if value:
            self.xdotool("type", "--delay", "5", "--", value)
        self.xdotool("key", self.rng.choice(["Return", "Return", "Tab", "Escape"]))
        self.typed += 1

    def add_or_delete_generator(self):
        """Clicks "Add" on the generator panel, or a "Delete" under an open generator."""
        panel = min(self.panels, key=lambda p: abs(p.x - GENERATOR_PLACE[0]) + abs(p.y - GENERATOR_PLACE[1]),
                    default=None)
        if panel is None:
            return
        top = panel.y + TITLE_HEIGHT + WINDOW_PADDING
        row = 0 if self.rng.random() < 0.5 else self.rng.randrange(1, 30)
        self.move((panel.x + WINDOW_PADDING + 20, top + row * 13 + 6))
        self.xdotool("click", "1")

    def step(self):
        action = self.rng.choices(
            [self.click, self.drag, self.wheel, self.key, self.type_extreme, self.add_or_delete_generator],
            weights=[30, 12, 10, 8, 30, 10])[0]
        action()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", required=True)
    parser.add_argument("--close-tool", required=True)
    parser.add_argument("--frame-counter", help="the preloaded frame-counting library, for frames per second")
    parser.add_argument("--seconds", type=float, default=600.0)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--growth-mb", type=float, default=64.0,
                        help="resident memory the last sample may exceed the first half's highest by (64)")
    parser.add_argument("--close-timeout", type=float, default=60.0, help="seconds the close may take (60)")
    parser.add_argument("--recording", help="the wave backend's recording: no sample may reach full scale")
    parser.add_argument("--preload", action="append", default=[],
                        help="a module to preload after the sanitizer runtimes (repeatable)")
    parser.add_argument("--artifacts", default=os.path.join(tempfile.gettempdir(), "dravik-soak"))
    args = parser.parse_args()
    os.makedirs(args.artifacts, exist_ok=True)

    rng = random.Random(args.seed)
    environment = dict(os.environ)
    environment.setdefault("ALSOFT_DRIVERS", "null")
    counter_path = os.path.join(args.artifacts, "frames.count")
    preload = list(args.preload)
    if args.frame_counter:
        with open(counter_path, "wb") as f:
            f.write(b"\0" * 8)
        preload.append(args.frame_counter)
        environment["DRAVIK_FRAME_COUNT_FILE"] = counter_path
    if preload:
        environment["LD_PRELOAD"] = " ".join(sanitizer_runtimes(args.binary) + preload)

    def frames():
        if not args.frame_counter:
            return None
        with open(counter_path, "rb") as f:
            return struct.unpack("<Q", f.read(8))[0]

    print(f"soak: seed {args.seed}, {args.seconds:g} s, {args.binary}", flush=True)
    memory = []
    failures = []
    with Dravik(args.binary, args.close_tool, args.artifacts, f"soak-{args.seed}", env=environment) as dravik:
        dravik.wait_for_centred_window(timeout=120)
        generator = wait_for_panels(dravik, timeout=120)
        generator = dravik.drag_panel(generator, GENERATOR_PLACE, timeout=60)
        menu = dravik.drag_panel(other_panel(dravik.screenshot(), generator), MENU_PLACE, timeout=60)
        # A generator on and the sound unmuted, so the sound thread really works.
        open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, first_child=GENERATOR_NODE + 1)
        set_checkbox(dravik, generator, GENERATOR_ROWS, GENERATOR_ENABLED, True, indent=1)
        set_checkbox(dravik, menu, MAIN_MENU_ROWS, MUTE_AUDIO, False)
        driver = Driver(dravik, rng)
        driver.refresh_panels()

        started = time.monotonic()
        first_frames = frames()
        next_sample = started
        next_look = started
        try:
            while time.monotonic() - started < args.seconds:
                now = time.monotonic()
                if now >= next_sample:
                    memory.append(resident_mb(dravik.process.pid))
                    print(f"  {now - started:6.0f} s: {driver.events} events, resident {memory[-1]:.0f} MB",
                          flush=True)
                    next_sample += SAMPLE_SECONDS
                if now >= next_look:
                    driver.refresh_panels()
                    next_look = now + 2.0
                dravik.assert_running()
                driver.step()
        except (AssertionError, subprocess.CalledProcessError) as error:
            if dravik.process.poll() is None:
                raise
            failures.append(f"crash: exit status {dravik.process.returncode} during the run ({str(error)[:200]})")
        elapsed = time.monotonic() - started
        shown = frames()

        status = dravik.process.poll()
        if status is None:
            # A last look, then the close request: a live frame loop answers it.
            dravik.screenshot("end")
            dravik.request_close()
            try:
                status = dravik.process.wait(timeout=args.close_timeout)
            except subprocess.TimeoutExpired:
                failures.append(f"hang: still running {args.close_timeout:g} s after the close request")
        log = dravik.log()

    if status not in (None, 0) and not failures:
        failures.append(f"exit status {status}")
    reports = [line for line in log.splitlines() if SANITIZER_REPORT.search(line)]
    if reports:
        failures.append(f"{len(reports)} sanitizer report lines, the first: {reports[0]}")
    half = memory[:max(1, len(memory) // 2)]
    if len(memory) >= 3 and memory[-1] > max(half) + args.growth_mb:
        failures.append(f"resident memory grew from at most {max(half):.0f} MB in the first half to "
                        f"{memory[-1]:.0f} MB")

    if args.recording and os.path.exists(args.recording):
        from test_sound import read_recording
        samples, _ = read_recording(args.recording)
        loudest = float(abs(samples).max()) if len(samples) else 0.0
        print(f"soak: recording of {len(samples) / 44100:.0f} s, peak {loudest:.4f} of full scale")
        if loudest >= 0.999:
            failures.append(f"the sound reached {loudest:.4f} of full scale")

    fps = (shown - first_frames) / elapsed if shown is not None else float("nan")
    underruns = re.findall(r"audio underruns: (\d+)", log)
    print(f"soak: {driver.events} events ({driver.typed} typed values) in {elapsed:.0f} s; "
          f"resident memory {memory[0]:.0f} MB first, {memory[-1]:.0f} MB last, {max(memory):.0f} MB highest; "
          f"{fps:.1f} frames per second; audio underruns {underruns[0] if underruns else '-'}; "
          f"{len(failures)} findings")
    for failure in failures:
        print(f"FAIL: {failure}")
    if failures:
        print(f"program output: {dravik.log_path}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
