"""The X server dies while the program plays sound (OpenAL Soft's wave
backend records it): the program says so and exits promptly with status 1,
never aborting in the audio library's teardown. Each run has its own Xvfb,
which the test kills; repeated, since the old abort came in 3 runs of 11."""

import argparse
import os
import signal
import subprocess
import time

import numpy as np

from dravik_e2e import (GENERATOR_ENABLED, GENERATOR_NODE, GENERATOR_ROWS, MAIN_MENU_ROWS, MUTE_AUDIO, Dravik,
                        open_tree_node, other_panel, run_test, set_checkbox, wait_for_panels, wait_until)

MESSAGE = "dravik: lost the connection to the X display; stopping the sound and exiting"


def start_xvfb():
    """A private Xvfb; returns (process, display name)."""
    reader, writer = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-screen", "0", "1920x1080x24",
                               "-nolisten", "tcp", "-noreset"], pass_fds=(writer,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(writer)
    with os.fdopen(reader) as numbers:
        number = numbers.readline().strip()
    assert number, "Xvfb gave no display number"
    return server, ":" + number


def loudest_sample(path):
    """The largest magnitude recorded so far (32-bit float samples after the data header)."""
    if not os.path.exists(path):
        return 0.0
    with open(path, "rb") as f:
        data = f.read()
    start = data.find(b"data")
    if start < 0:
        return 0.0
    payload = data[start + 8:]
    samples = np.frombuffer(payload[:len(payload) // 4 * 4], dtype="<f4")
    return float(np.abs(samples).max()) if samples.size else 0.0


def one_run(args, run_index):
    wav = os.path.join(args.artifacts, f"display-loss-{run_index}.wav")
    conf = os.path.join(args.artifacts, f"display-loss-{run_index}-alsoft.conf")
    if os.path.exists(wav):
        os.remove(wav)
    with open(conf, "w") as f:
        f.write(f"[general]\ndrivers = wave\n\n[wave]\nfile = {wav}\n")

    server, display = start_xvfb()
    previous_display = os.environ.get("DISPLAY")
    os.environ["DISPLAY"] = display
    environment = dict(os.environ, ALSOFT_CONF=conf, LP_NUM_THREADS="0")
    environment.pop("ALSOFT_DRIVERS", None)
    try:
        with Dravik(args.binary, args.close_tool, args.artifacts, f"display-loss-{run_index}",
                    env=environment) as dravik:
            dravik.wait_for_centred_window()
            generator = wait_for_panels(dravik)
            menu = other_panel(dravik.screenshot(), generator)
            open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, first_child=GENERATOR_NODE + 1)
            set_checkbox(dravik, generator, GENERATOR_ROWS, GENERATOR_ENABLED, True, indent=1)
            set_checkbox(dravik, menu, MAIN_MENU_ROWS, MUTE_AUDIO, False)
            wait_until(lambda: loudest_sample(wav) > 0.5, 20, "the tone in the recording", interval=0.1)

            server.kill()
            server.wait()
            killed_at = time.monotonic()
            dravik.abandon_display()
            status = dravik.wait_exit(timeout=10)
            print(f"run {run_index}: ended {time.monotonic() - killed_at:.2f} s after the X server was killed")
            log = dravik.log()
            assert status == 1, f"run {run_index}: exit status {status} (negative: a signal):\n{log}"
            assert MESSAGE in log, f"run {run_index}: no message:\n{log}"
            assert "Assertion" not in log, f"run {run_index}:\n{log}"
    finally:
        if server.poll() is None:
            server.send_signal(signal.SIGTERM)
            server.wait()
        if previous_display is None:
            os.environ.pop("DISPLAY", None)
        else:
            os.environ["DISPLAY"] = previous_display


def main():
    parser = argparse.ArgumentParser()
    for option in ("--binary", "--close-tool", "--artifacts"):
        parser.add_argument(option, required=True)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    os.makedirs(args.artifacts, exist_ok=True)
    for run_index in range(args.runs):
        one_run(args, run_index)
    print(f"{args.runs} runs: the X server killed with sound playing, each ended with the message and status 1")


if __name__ == "__main__":
    run_test(main)
