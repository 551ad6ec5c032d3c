"""Through the real panels, under OpenAL Soft's wave backend: with "Audio
Generator 1" enabled the recording stays silent while "Mute Audio" is ticked;
unticking it plays a steady 440 Hz tone at 0.8 of full scale on both channels.
A second generator at the default 0.8 added and enabled beside it takes the
sum no nearer full scale than the output's ceiling, at a steady level. After
the close request the program ends with status 0 and reports its underruns.

Judged as a listener would: pitch within 5 cents, peak within 0.5 dB, every
20 ms stretch within 1 dB of the steady level, no sample-to-sample jump the
tone itself cannot make. A loaded machine may starve the output: each silent
gap the program counted as an underrun is accepted (it fades back in); a gap
it did not count, a replay or a click fails."""

import os
import re
import struct
import subprocess
import sys

import numpy as np

from dravik_e2e import (FRAME, GENERATOR_ENABLED, GENERATOR_NODE, GENERATOR_ROWS, MAIN_MENU_ROWS, MUTE_AUDIO,
                        SEPARATOR, TREE_LINE_HEIGHT, TREE_NODE, Dravik, frame_at, open_tree_node, other_panel,
                        parse_arguments, run_test, set_checkbox, wait_for_panels, wait_until, wave_recording)

GENERATOR_PLACE = (700, 420)
MUTED_SECONDS = 0.5
PLAY_SECONDS = 2.0
BOTH_SECONDS = 1.0
SILENCE = 1e-4  # largest sample (of full scale 1, so -80 dBFS) counted as silence
FULL_SCALE = 0.999  # a sample this loud has clipped, or nearly
# "Audio Generator" with two closed generators: "Add", a separator, generator
# 1, a separator, and generator 2 with "Delete" and "Enabled" once it is open.
TWO_GENERATOR_ROWS = [FRAME, SEPARATOR, TREE_NODE, SEPARATOR, TREE_NODE, FRAME, FRAME]
SECOND_NODE, SECOND_ENABLED = 4, 6


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


def write_recording(path, samples, rate):
    """Writes frames of 32-bit float samples as a WAV file (format 3, IEEE float)."""
    channels = samples.shape[1]
    payload = samples.astype("<f4").tobytes()
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(payload), b"WAVE", b"fmt ", 16, 3, channels,
                         rate, rate * channels * 4, channels * 4, 32, b"data", len(payload))
    with open(path, "wb") as f:
        f.write(header + payload)


def onset(samples):
    """Index of the first frame with sound on any channel, or None."""
    loud = np.nonzero(np.abs(samples).max(axis=1) > SILENCE)[0]
    return int(loud[0]) if len(loud) else None


def main():
    args = parse_arguments(("--checker", "tools/check_tone_wav.py"))

    wav, environment = wave_recording(args.artifacts, "sound-output")

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

        one_until = len(read_recording(wav)[0])
        # Generator 1 closed first, so that the rows below it are known whatever the panel keeps open.
        dravik.click(generator.tree_node_label(GENERATOR_ROWS, GENERATOR_NODE))
        left, top = generator.widget(GENERATOR_ROWS, GENERATOR_NODE + 1, indent=1)
        dravik.wait_for_picture(lambda im: not frame_at(im, left, top), 10, "generator 1 to close")
        dravik.click(generator.widget(GENERATOR_ROWS, 0))  # "Add"
        _, label_top = generator.widget(TWO_GENERATOR_ROWS, SECOND_NODE)
        label = (slice(label_top, label_top + TREE_LINE_HEIGHT), slice(generator.x + 30, generator.x + 150))
        dravik.wait_for_picture(lambda im: im[label].max() > 200, 10, "the \"Audio Generator 2\" row")
        open_tree_node(dravik, generator, TWO_GENERATOR_ROWS, SECOND_NODE, first_child=SECOND_NODE + 1)
        set_checkbox(dravik, generator, TWO_GENERATOR_ROWS, SECOND_ENABLED, True, indent=1)
        both_from = len(read_recording(wav)[0])
        dravik.save(dravik.screenshot(), "two-generators")

        def both_long_enough():
            dravik.assert_running()
            return len(read_recording(wav)[0]) >= both_from + BOTH_SECONDS * rate

        wait_until(both_long_enough, 30, f"{BOTH_SECONDS} s of both generators", interval=0.1)
        dravik.close(timeout=10)
        reported = re.findall(r"audio underruns: (\d+)", dravik.log())

    assert len(reported) == 1, f"no underrun count on stderr:\n{dravik.log()}"
    underruns = int(reported[0])
    samples, rate = read_recording(wav)
    start = onset(samples)
    print(f"recording: {len(samples) / rate:.3f} s, unmuted after {unmuted_at / rate:.3f} s, "
          f"sound from {start / rate:.3f} s, second generator from {both_from / rate:.3f} s, "
          f"{underruns} underruns reported")
    assert start >= unmuted_at, "sound in the recording before \"Mute Audio\" was unticked"

    one = os.path.join(args.artifacts, "sound-output-one-generator.wav")
    write_recording(one, samples[:one_until], rate)
    check = subprocess.run([sys.executable, args.checker, one, "--frequency", "440", "--peak", "0.8",
                            "--absent", "880", "--min-seconds", str(PLAY_SECONDS - 0.5),
                            "--allowed-gaps", str(underruns)],
                           capture_output=True, text=True)
    print(check.stdout, end="")
    assert check.returncode == 0, f"check_tone_wav.py exit status {check.returncode}:\n{check.stderr}"
    # The checker finds the tone's start itself: it must be where the sound starts, not in the silence.
    found = [float(s) for s in re.findall(r"from ([0-9.]+) s", check.stdout)]
    assert len(found) == 2 and all(abs(s - start / rate) <= 0.02 for s in found), \
        f"the checker's tone starts {found} s, the sound starts at {start / rate:.3f} s"

    # Two tones of 0.8 at one pitch add up to one of up to 1.6; the output scales it below full scale.
    both = samples[both_from:]
    loudest = float(np.abs(both).max())
    print(f"two generators: peak {loudest:.4f} of full scale")
    assert loudest < FULL_SCALE, f"a sample at {loudest:.4f} of full scale with two generators at 0.8"
    # Their phases are whatever they were: the pair may nearly cancel, and then there is no level to hold.
    if loudest > 0.05:
        two = os.path.join(args.artifacts, "sound-output-two-generators.wav")
        write_recording(two, both[:int(BOTH_SECONDS * rate)], rate)
        check = subprocess.run([sys.executable, args.checker, two, "--frequency", "440", "--absent", "880",
                                "--min-seconds", str(BOTH_SECONDS - 0.2), "--allowed-gaps", str(underruns)],
                               capture_output=True, text=True)
        print(check.stdout, end="")
        assert check.returncode == 0, f"check_tone_wav.py exit status {check.returncode} on two generators"


if __name__ == "__main__":
    run_test(main)
