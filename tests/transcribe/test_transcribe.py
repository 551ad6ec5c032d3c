"""dravik-transcribe from the command line: a tone becomes its note; a saved
session supplies the settings and a given option still wins over it; a
session it cannot use stops it with a message and stays as it was; and it
says so when there is nothing to write."""

import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

RATE = 44100


def write_tone(path, frequency, level, seconds=2.0):
    t = np.arange(int(seconds * RATE)) / RATE
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(np.round(32767 * level * np.sin(2 * np.pi * frequency * t)).astype("<i2").tobytes())


def transcribe(binary, *arguments):
    return subprocess.run([binary, "-q", *arguments], capture_output=True, text=True, timeout=60)


def notes(csv):
    with open(csv) as f:
        return sorted({int(line.split(",")[2]) for line in f.read().splitlines()[1:]})


def main():
    binary = sys.argv[1]
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    with tempfile.TemporaryDirectory() as folder:
        tone = os.path.join(folder, "a4.wav")
        csv = os.path.join(folder, "a4.csv")
        write_tone(tone, 440.0, 0.1)  # -20 dB of full scale
        run = transcribe(binary, tone, "--csv", csv)
        check(run.returncode == 0 and notes(csv) == [69], f"a 440 Hz tone: {run.returncode}, {run.stderr}")

        # A session whose on floor lies above the tone: nothing starts, until
        # --floor-on (given, so it wins) puts it below again.
        session = os.path.join(folder, "session.toml")
        with open(session, "w") as f:
            f.write("format = 'dravik-session'\nversion = 1\n[tracker]\nfloor_on_db = -10.0\nfloor_off_db = -12.0\n")
        run = transcribe(binary, tone, "--csv", csv, "--session", session)
        check(run.returncode == 0 and notes(csv) == [], f"the session's on floor: {run.returncode}, {run.stderr}")
        run = transcribe(binary, tone, "--csv", csv, "--session", session, "--floor-on", "-40", "--floor-off", "-45")
        check(run.returncode == 0 and notes(csv) == [69], f"--floor-on over the session: {run.stderr}")
        run = transcribe(binary, tone, "--csv", csv, "--session", session, "--floor-on", "-40")
        check(run.returncode == 2 and "off level above its on level" in run.stderr,
              f"an off floor left above the on floor: {run.returncode}")

        for name, content in (("missing.toml", None), ("corrupt.toml", "format = [[[\n")):
            path = os.path.join(folder, name)
            if content is not None:
                with open(path, "w") as f:
                    f.write(content)
            run = transcribe(binary, tone, "--csv", csv, "--session", path)
            check(run.returncode == 1 and "cannot use the session" in run.stderr, f"{name}: {run.stderr}")
            check(content is None or (os.path.exists(path) and not os.path.exists(path + ".bak")),
                  f"{name} was moved")

        run = transcribe(binary, tone)
        check(run.returncode == 2 and "nothing to write" in run.stderr, f"no output: {run.returncode}")

    for failure in failures:
        print(f"FAILED: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
