"""The file source end to end. `dravik tone1000.wav` (a 1000 Hz sine, 48 kHz
stereo, written here) plays the file at once: the spectrum's peak stands at
1000 Hz on an axis drawn for 48 kHz, and the recording made by OpenAL Soft's
wave backend holds the file's tone. `dravik corrupt.wav` keeps running with
the reason shown in red in the "Sound File" panel and printed on stderr, and
so does a file shorter than its header. Several files on the command line:
the first plays, the others go to "Recent"."""

import os
import struct
import subprocess
import sys
import tomllib
import wave

import numpy as np

from dravik_e2e import (TITLE_HEIGHT, Dravik, find_panels, parse_arguments, run_test, side_bar_left, wait_until,
                        wave_recording)
from test_sound import read_recording

RATE = 48000
TONE_HZ = 1000.0
AMPLITUDE = 0.5
PLAY_SECONDS = 2.0

# The plot (see test_generator.py); its axis spans bins round(32.70 Hz / bin) to
# round(5587.65 Hz / bin) of a 4096-point spectrum at the file's rate.
PLOT_LEFT, PLOT_TOP, PLOT_RIGHT, PLOT_BOTTOM = 20, 40, 1260, 340
BIN_HZ = RATE / 4096
FIRST_BIN, LAST_BIN = round(32.7032 / BIN_HZ), round(5587.652 / BIN_HZ)
PEAK_TOLERANCE = 3
# The side bar covers the plot's right part: the spectrum is looked at left of
# it, up to 3.9 kHz.
PLOT_SHOWN_RIGHT = side_bar_left()


def x_of_frequency(hz):
    return PLOT_LEFT + (hz / BIN_HZ - FIRST_BIN) * (PLOT_RIGHT - PLOT_LEFT) / (LAST_BIN - FIRST_BIN)


def write_tone(path, seconds):
    t = np.arange(int(seconds * RATE)) / RATE
    mono = np.round(AMPLITUDE * 32767 * np.sin(2 * np.pi * TONE_HZ * t)).astype("<i2")
    with wave.open(path, "wb") as f:
        f.setnchannels(2)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(np.repeat(mono, 2).tobytes())


def fill_tops(image):
    """The top row of the spectrum's fill in each column of the plot left of the side bar."""
    pixels = image[PLOT_TOP:PLOT_BOTTOM, PLOT_LEFT:PLOT_SHOWN_RIGHT].astype(int)
    cyan = (pixels[:, :, 1] - pixels[:, :, 0] > 60) & (pixels[:, :, 2] - pixels[:, :, 0] > 60)
    return np.where(cyan.any(axis=0), np.argmax(cyan, axis=0) + PLOT_TOP, PLOT_BOTTOM)


def red_text(image, top):
    """Pixels of the failure colour (255, 89, 89 antialiased) below row `top`."""
    pixels = image[top:].astype(int)
    return int(np.sum((pixels[:, :, 0] > 200) & (pixels[:, :, 1] < 140) & (pixels[:, :, 2] < 140)))


def program(args, name, *arguments, env=None):
    return Dravik(args.binary, args.close_tool, args.artifacts, name, env=env, arguments=arguments)


def play_tone(args):
    tone = os.path.join(args.artifacts, "tone1000.wav")
    write_tone(tone, 30.0)
    wav, environment = wave_recording(args.artifacts, "file-output")

    with program(args, "file", tone, env=environment) as dravik:
        dravik.wait_for_centred_window()
        wait_until(lambda: len(find_panels(dravik.screenshot())) >= 2, 30, "the panels")
        image = dravik.wait_for_picture(lambda im: fill_tops(im).min() < PLOT_BOTTOM - 100, 15,
                                        "the file's spectrum")
        dravik.save(image, "playing")
        tops = fill_tops(image)
        peak_x = float(np.mean(np.nonzero(tops == tops.min())[0])) + PLOT_LEFT
        expected_x = x_of_frequency(TONE_HZ)
        print(f"spectrum peak at x = {peak_x:.1f}, x(1000 Hz) = {expected_x:.1f} on a 48 kHz axis")
        assert abs(peak_x - expected_x) <= PEAK_TOLERANCE, \
            f"peak at x = {peak_x:.1f}, expected {expected_x:.1f} +- {PEAK_TOLERANCE} px"
        away = np.abs(np.arange(PLOT_LEFT, PLOT_SHOWN_RIGHT) - expected_x) > 40
        assert PLOT_BOTTOM - tops[away].min() < 20, "a second peak far from 1000 Hz"

        def played_enough():
            dravik.assert_running()
            samples, rate = read_recording(wav)
            loud = np.nonzero(np.abs(samples).max(axis=1) > 1e-4)[0] if len(samples) else []
            return len(loud) > 0 and len(samples) - loud[0] >= (PLAY_SECONDS + 0.5) * rate

        wait_until(played_enough, 30, f"{PLAY_SECONDS} s of the file in the recording", interval=0.1)
        dravik.close(timeout=10)

    checker = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "check_tone_wav.py")
    check = subprocess.run([sys.executable, checker, wav, "--frequency", str(TONE_HZ), "--peak", str(AMPLITUDE),
                            "--min-seconds", str(PLAY_SECONDS)], capture_output=True, text=True)
    print(check.stdout, end="")
    assert check.returncode == 0, f"check_tone_wav.py exit status {check.returncode}:\n{check.stdout}{check.stderr}"


def corrupt_file(args):
    corrupt = os.path.join(args.artifacts, "corrupt.wav")
    with open(corrupt, "wb") as f:
        f.write(b"RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00" + bytes(range(200, 250)))
    silent = dict(os.environ, ALSOFT_DRIVERS="null")
    with program(args, "corrupt", corrupt, env=silent) as dravik:
        dravik.wait_for_centred_window()
        wait_until(lambda: len(find_panels(dravik.screenshot())) >= 2, 30, "the panels")
        below = PLOT_BOTTOM + TITLE_HEIGHT
        image = dravik.wait_for_picture(lambda im: red_text(im, below) > 50, 10, "the failure in red")
        dravik.save(image, "message")
        dravik.assert_running()
        dravik.close(timeout=10)
        lines = [line for line in dravik.log().splitlines() if line.startswith("dravik: ")]
        print("stderr:", lines)
        assert any("corrupt.wav" in line and "header is damaged" in line for line in lines), dravik.log()


def short_file(args):
    """A WAV whose header states 2^31 frames over 1 KB: opened, with one line
    saying it is shorter than its header, in red in the panel and on stderr."""
    short = os.path.join(args.artifacts, "short.wav")
    header = (b"RIFF" + struct.pack("<I", 0xFFFFFFF0) + b"WAVEfmt " +
              struct.pack("<IHHIIHH", 16, 1, 1, RATE, 2 * RATE, 2, 16) + b"data" + struct.pack("<I", 0xFFFFFFFE))
    with open(short, "wb") as f:
        f.write(header + bytes(1024))
    silent = dict(os.environ, ALSOFT_DRIVERS="null")
    with program(args, "short", short, env=silent) as dravik:
        dravik.wait_for_centred_window()
        wait_until(lambda: len(find_panels(dravik.screenshot())) >= 2, 30, "the panels")
        below = PLOT_BOTTOM + TITLE_HEIGHT
        image = dravik.wait_for_picture(lambda im: red_text(im, below) > 50, 10, "the short file's line in red")
        dravik.save(image, "short")
        dravik.close(timeout=10)
        lines = [line for line in dravik.log().splitlines() if "shorter than its header" in line]
        print("stderr:", lines)
        assert lines == ["dravik: " + short + ": the file is shorter than its header states; 0:00.0 (512 frames) "
                         "can be read"], dravik.log()


def several_files(args):
    """`dravik one.wav two.wav three.wav`, as a file manager starts it: the
    first plays, the others wait in "Recent" (kept in the saved session)."""
    paths = [os.path.join(args.artifacts, f"{name}.wav") for name in ("one", "two", "three")]
    for path in paths:
        write_tone(path, 1.0)
    silent = dict(os.environ, ALSOFT_DRIVERS="null")
    with program(args, "several", *paths, env=silent) as dravik:
        dravik.wait_for_centred_window()
        wait_until(lambda: len(find_panels(dravik.screenshot())) >= 2, 30, "the panels")
        dravik.close(timeout=10)
        with open(os.path.join(dravik.config_home, "dravik", "session.toml"), "rb") as f:
            source = tomllib.load(f)["source"]
    print("session source:", source)
    assert source["kind"] == "file" and source["file"] == paths[0], source
    assert source["recent"][:3] == paths, source


def main():
    args = parse_arguments()
    play_tone(args)
    corrupt_file(args)
    short_file(args)
    several_files(args)


if __name__ == "__main__":
    run_test(main)
