"""Measures, and only prints, what a frame costs the program in CPU time: at the
defaults with "Audio Generator 1" enabled, then with "262144" picked in "FFT
Window Sizes". A preloaded library counts the frames shown (glXSwapBuffers);
/proc gives the CPU time of all the program's threads. The test fails only
when driving the panels fails or the program does not end cleanly."""

import os
import struct
import time

import numpy as np

from dravik_e2e import (FFT_OPTIONS, FFT_WINDOW_SIZES, FRAME_HEIGHT, GENERATOR_ENABLED, GENERATOR_NODE,
                        GENERATOR_ROWS, MAIN_MENU_ROWS, Dravik, choose_combo_item, open_tree_node,
                        other_panel, parse_arguments, run_test, set_checkbox, stable_panels, wait_for_panels,
                        wait_until)

GENERATOR_PLACE = (700, 420)
LARGEST_WINDOW_ITEM = 6  # "262144"
MEASURE_SECONDS = 4.0
TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")


def thread_times(pid):
    """{thread name: CPU seconds} over the program's threads, the frame thread as "frame thread"."""
    times = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                text = f.read()
        except FileNotFoundError:
            continue  # the thread ended meanwhile
        name = "frame thread" if int(tid) == pid else text[text.index("(") + 1:text.rindex(")")]
        fields = text[text.rindex(")") + 2:].split()
        name = name.rstrip("0123456789:-") or name
        times[name] = times.get(name, 0.0) + (int(fields[11]) + int(fields[12])) / TICKS_PER_SECOND
    return times


def process_time(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS_PER_SECOND


class FrameCount:
    def __init__(self, path):
        self.path = path
        with open(path, "wb") as f:
            f.write(bytes(8))

    def read(self):
        with open(self.path, "rb") as f:
            return struct.unpack("<Q", f.read(8))[0]

    def wait_for(self, frames, timeout=30):
        target = self.read() + frames
        wait_until(lambda: self.read() >= target, timeout, f"{frames} more frames")


def measure(dravik, frames, label):
    pid = dravik.process.pid
    cpu0, threads0, count0, t0 = process_time(pid), thread_times(pid), frames.read(), time.monotonic()
    # A measurement over a span of time: the program runs undisturbed meanwhile.
    while time.monotonic() - t0 < MEASURE_SECONDS or frames.read() - count0 < 10:
        dravik.assert_running()
        time.sleep(0.25)
    cpu1, threads1, count1, t1 = process_time(pid), thread_times(pid), frames.read(), time.monotonic()
    shown, seconds, cpu = count1 - count0, t1 - t0, cpu1 - cpu0
    split = {name: threads1[name] - threads0.get(name, 0.0) for name in threads1}
    busiest = ", ".join(f"{name} {1000 * t / shown:.2f}" for name, t in
                        sorted(split.items(), key=lambda item: -item[1]) if t > 0)
    print(f"{label}: {shown} frames in {seconds:.2f} s = {shown / seconds:.1f} frames/s; "
          f"CPU {1000 * cpu / shown:.2f} ms per frame ({100 * cpu / seconds:.0f}% of one core); "
          f"ms per frame by thread: {busiest}")


def main():
    args = parse_arguments(("--frame-counter", "the preloaded counting library"))

    os.makedirs(args.artifacts, exist_ok=True)
    frames = FrameCount(os.path.join(args.artifacts, "frame-cost-count.bin"))
    environment = dict(os.environ, ALSOFT_DRIVERS="null", LD_PRELOAD=args.frame_counter,
                       DRAVIK_FRAME_COUNT_FILE=frames.path)
    with Dravik(args.binary, args.close_tool, args.artifacts, "frame-cost", env=environment) as dravik:
        dravik.wait_for_centred_window()
        generator = wait_for_panels(dravik)
        assert frames.read() > 0, "the frame counter counts nothing: is it preloaded?"
        generator = dravik.drag_panel(generator, GENERATOR_PLACE)
        # Docked at the top of the side bar, the open "FFT Options" and its combo's popup fit in the window.
        menu = other_panel(dravik.screenshot(), generator)
        open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, first_child=GENERATOR_NODE + 1)
        set_checkbox(dravik, generator, GENERATOR_ROWS, GENERATOR_ENABLED, True, indent=1)
        frames.wait_for(60)
        measure(dravik, frames, "window 4096, one generator")

        open_tree_node(dravik, menu, MAIN_MENU_ROWS, FFT_OPTIONS, first_child=FFT_OPTIONS + 1)
        # Its wider rows widen the docked menu to the left.
        menu = next(p for p in stable_panels(dravik) if p.y == menu.y)
        left, top = menu.widget(MAIN_MENU_ROWS, FFT_WINDOW_SIZES, indent=1)
        before = dravik.screenshot()
        choose_combo_item(dravik, menu, MAIN_MENU_ROWS, FFT_WINDOW_SIZES, LARGEST_WINDOW_ITEM, indent=1)
        # The popup is gone in the frame that applies the choice; the combo
        # shows it from the next frame on, which the first analysis at 262144
        # may hold up for a while on a busy machine.
        preview = (slice(top, top + FRAME_HEIGHT), slice(left, left + 80))
        after = dravik.wait_for_picture(lambda im: not np.array_equal(before[preview], im[preview]), 20,
                                        "\"FFT Window Sizes\" to show 262144")
        dravik.save(after, "262144")
        frames.wait_for(30)
        measure(dravik, frames, "window 262144, one generator")

        dravik.close(timeout=20)


if __name__ == "__main__":
    run_test(main)
