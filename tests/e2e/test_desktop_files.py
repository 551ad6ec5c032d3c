"""Files handed over the way a desktop does. A tone file whose name has a
space and non-ASCII letters opens and is analysed (its 1000 Hz peak shows on
the plot) when:
- it is dropped on the window (XDND, from a second X client that acts as a
  file manager);
- Ctrl+O shows the file chooser, here a stub `zenity` on PATH with no session
  bus (so no portal), which picks it."""

import os
import stat

import numpy as np

from dravik_e2e import Dravik, find_panels, parse_arguments, run, run_test, wait_until
from test_file_source import PLOT_BOTTOM, PLOT_LEFT, TONE_HZ, fill_tops, write_tone, x_of_frequency

PEAK_TOLERANCE = 3


def wait_for_tone(dravik, what):
    image = dravik.wait_for_picture(lambda im: fill_tops(im).min() < PLOT_BOTTOM - 100, 20, f"the tone {what}")
    dravik.save(image, "analysed")
    tops = fill_tops(image)
    peak_x = float(np.mean(np.nonzero(tops == tops.min())[0])) + PLOT_LEFT
    expected_x = x_of_frequency(TONE_HZ)
    assert abs(peak_x - expected_x) <= PEAK_TOLERANCE, \
        f"{what}: peak at x = {peak_x:.1f}, expected {expected_x:.1f} +- {PEAK_TOLERANCE} px"


def started(args, name, env):
    dravik = Dravik(args.binary, args.close_tool, args.artifacts, name, env=env)
    dravik.start(env)
    dravik.wait_for_centred_window()
    wait_until(lambda: len(find_panels(dravik.screenshot())) >= 2, 30, "the panels")
    return dravik


def dropped(args, tone, env):
    dravik = started(args, "drop", env)
    try:
        run(args.drop_tool, str(dravik.window), tone)
        wait_for_tone(dravik, "dropped on the window")
        dravik.close(timeout=10)
    finally:
        dravik.stop()


def chosen(args, tone, env):
    stubs = os.path.join(args.artifacts, "chooser-stubs")
    os.makedirs(stubs, exist_ok=True)
    asked = os.path.join(stubs, "zenity.args")
    if os.path.exists(asked):
        os.remove(asked)
    zenity = os.path.join(stubs, "zenity")
    with open(zenity, "w") as f:
        f.write(f"#!/bin/sh\nprintf '%s\\n' \"$@\" > '{asked}'\nprintf '%s\\n' '{tone}'\n")
    os.chmod(zenity, stat.S_IRWXU)
    env = dict(env, PATH=stubs + os.pathsep + env.get("PATH", "/usr/bin:/bin"))
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    env.pop("XDG_RUNTIME_DIR", None)
    dravik = started(args, "chooser", env)
    try:
        run("xdotool", "key", "--window", str(dravik.window), "ctrl+o")
        wait_for_tone(dravik, "chosen in the file chooser")
        with open(asked) as f:
            arguments = f.read().splitlines()
        assert "--file-selection" in arguments and f"--attach={dravik.window}" in arguments, arguments
        dravik.close(timeout=10)
    finally:
        dravik.stop()


def main():
    args = parse_arguments(("--drop-tool", "the program that drops files on a window"))
    tone = os.path.join(args.artifacts, "my tone été.wav")
    write_tone(tone, 30.0)
    env = dict(os.environ, ALSOFT_DRIVERS="null")
    dropped(args, tone, env)
    chosen(args, tone, env)


if __name__ == "__main__":
    run_test(main)
