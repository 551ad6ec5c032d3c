"""Through the real panels, under OpenAL Soft's wave backend: with "Audio
Generator 1" enabled the recording stays silent while "Mute Audio" is ticked;
unticking it plays a steady 440 Hz tone at 0.8 of full scale on both
channels until the close request, after which the program ends with status 0."""

import os
import re
import struct
import subprocess
import sys

import numpy as np

from dravik_e2e import (GENERATOR_ENABLED, GENERATOR_NODE, GENERATOR_ROWS, MAIN_MENU_ROWS, MUTE_AUDIO, Dravik,
                        open_tree_node, other_panel, parse_arguments, run_test, set_checkbox, wait_for_panels,
                        wait_until)

GENERATOR_PLACE = (700, 420)
MUTED_SECONDS = 0.5
PLAY_SECONDS = 2.0
SILENCE = 1e-4  # largest sample (of full scale 1, so -80 dBFS) counted as silence


def read_recording(path):
    """(frames x channels array, rate) of the wave backend's file so far. The
    backend writes 32-bit float samples and fills in the header's sizes only
    when it closes the file, so the data runs to the end of what is written."""
    if not os.path.exists(path):
        return np.zeros((0, 2), dtype=np.float32), 44100
    with open(path, "rb") as f:
        data = f.read()
    fmt, start = data.find(b"fmt "), data.find(b"data")
    if fmt < 0 or start < 0:
        return np.zeros((0, 2), dtype=np.float32), 44100
    _, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", data, fmt + 8)
    assert bits == 32, f"expected 32-bit float samples, the recording has {bits} bits"
    payload = data[start + 8:]
    frames = len(payload) // (4 * channels)
    return np.frombuffer(payload[:frames * 4 * channels], dtype="<f4").reshape(frames, channels), rate


def onset(samples):
    """Index of the first frame with sound on any channel, or None."""
    loud = np.nonzero(np.abs(samples).max(axis=1) > SILENCE)[0]
    return int(loud[0]) if len(loud) else None


def main():
    args = parse_arguments(("--checker", "tools/check_tone_wav.py"))

    os.makedirs(args.artifacts, exist_ok=True)
    wav = os.path.join(args.artifacts, "sound-output.wav")
    conf = os.path.join(args.artifacts, "sound-alsoft.conf")
    if os.path.exists(wav):
        os.remove(wav)
    with open(conf, "w") as f:
        f.write(f"[general]\ndrivers = wave\n\n[wave]\nfile = {wav}\n")
    # Without a GPU, Mesa's llvmpipe renders on worker threads that take about
    # one and a half cores; kept on the frame thread, it leaves a core to the
    # sound's streaming thread, as a graphics card would.
    environment = dict(os.environ, ALSOFT_CONF=conf, LP_NUM_THREADS="0")
    environment.pop("ALSOFT_DRIVERS", None)

    with Dravik(args.binary, args.close_tool, args.artifacts, "sound", env=environment) as dravik:
        dravik.wait_for_centred_window()
        generator = wait_for_panels(dravik)
        # Out of the main menu's way, so that "Mute Audio" can be reached.
        generator = dravik.drag_panel(generator, GENERATOR_PLACE)
        menu = other_panel(dravik.screenshot(), generator)
        open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, first_child=GENERATOR_NODE + 1)
        set_checkbox(dravik, menu, MAIN_MENU_ROWS, MUTE_AUDIO, True)
        set_checkbox(dravik, generator, GENERATOR_ROWS, GENERATOR_ENABLED, True, indent=1)

        # Enabled but muted: the signal path runs and the output must stay silent.
        enabled_at = len(read_recording(wav)[0])

        def muted_long_enough():
            samples, rate = read_recording(wav)
            return len(samples) >= enabled_at + MUTED_SECONDS * rate

        wait_until(muted_long_enough, 20, f"{MUTED_SECONDS} s of recording with the generator enabled and muted")
        muted, rate = read_recording(wav)
        assert np.abs(muted).max() <= SILENCE, \
            f"sound while muted: peak {np.abs(muted).max():.4f} at frame {np.abs(muted).max(axis=1).argmax()}"
        unmuted_at = len(muted)

        set_checkbox(dravik, menu, MAIN_MENU_ROWS, MUTE_AUDIO, False)
        dravik.save(dravik.screenshot(), "unmuted")

        def played_enough():
            dravik.assert_running()
            samples, rate = read_recording(wav)
            start = onset(samples)
            return start is not None and len(samples) - start >= PLAY_SECONDS * rate

        wait_until(played_enough, 30, f"{PLAY_SECONDS} s of sound in the recording", interval=0.1)
        dravik.close(timeout=10)

    samples, rate = read_recording(wav)
    start = onset(samples)
    print(f"recording: {len(samples) / rate:.3f} s, unmuted after {unmuted_at / rate:.3f} s, "
          f"sound from {start / rate:.3f} s")
    assert start >= unmuted_at, "sound in the recording before \"Mute Audio\" was unticked"

    check = subprocess.run([sys.executable, args.checker, wav, "--frequency", "440", "--peak", "0.8",
                            "--absent", "880", "--min-seconds", str(PLAY_SECONDS - 0.5)],
                           capture_output=True, text=True)
    print(check.stdout, end="")
    assert check.returncode == 0, f"check_tone_wav.py exit status {check.returncode}:\n{check.stderr}"
    # The checker finds the tone's start itself: it must be where the sound starts, not in the silence.
    found = [float(s) for s in re.findall(r"from ([0-9.]+) s", check.stdout)]
    assert len(found) == 2 and all(abs(s - start / rate) <= 0.02 for s in found), \
        f"the checker's tone starts {found} s, the sound starts at {start / rate:.3f} s"


if __name__ == "__main__":
    run_test(main)
