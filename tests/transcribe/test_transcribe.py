"""dravik-transcribe from the command line: a tone becomes its note in every
format read; a saved session supplies the settings and a given option still
wins over it; a session it cannot use stops it with a message and stays as it
was; inputs it must not read (a folder, a FIFO, a device) and outputs it
cannot write (a full disk) fail at once with the file and the reason; usage
errors exit 2 with the usage; several inputs are written beside them or into
-d DIR."""

import os
import shutil
import subprocess
import sys
import tempfile
import wave

import numpy as np

RATE = 44100
NAME = "dravik-transcribe: "


def write_tone(path, frequency, level, seconds=2.0):
    t = np.arange(int(seconds * RATE)) / RATE
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(np.round(32767 * level * np.sin(2 * np.pi * frequency * t)).astype("<i2").tobytes())


def transcribe(binary, *arguments, quiet=True):
    return subprocess.run([binary, *(["-q"] if quiet else []), *arguments], capture_output=True, text=True,
                          timeout=60)


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

        # Every format read, made by the tools Debian has for it.
        loud = os.path.join(folder, "loud.wav")
        write_tone(loud, 440.0, 0.3)
        makers = {
            "float32.wav": ["sox", loud, "-e", "floating-point", "-b", "32"],
            "float64.wav": ["sox", loud, "-e", "floating-point", "-b", "64"],
            "tone.aiff": ["sox", loud], "tone.flac": ["sox", loud], "tone.ogg": ["sox", loud],
            "tone.opus": ["opusenc", "--quiet", loud], "tone.mp3": ["lame", "--quiet", loud],
        }
        for name, command in makers.items():
            path = os.path.join(folder, name)
            if shutil.which(command[0]) is None or subprocess.run(command + [path]).returncode != 0:
                failures.append(f"{command[0]} could not make {name} (scripts/install-deps.sh installs it)")
                continue
            out = os.path.join(folder, name + ".csv")
            run = transcribe(binary, path, "--csv", out)
            check(run.returncode == 0 and notes(out) == [69], f"{name}: {run.returncode}, {run.stderr}")

        # A session whose on floor lies above the tone: nothing starts, until
        # --on-floor (given, so it wins) puts it below again.
        session = os.path.join(folder, "session.toml")
        with open(session, "w") as f:
            f.write("format = 'dravik-session'\nversion = 1\n[tracker]\nfloor_on_db = -10.0\nfloor_off_db = -12.0\n")
        run = transcribe(binary, tone, "--csv", csv, "--session", session)
        check(run.returncode == 0 and notes(csv) == [], f"the session's on floor: {run.returncode}, {run.stderr}")
        run = transcribe(binary, tone, "--csv", csv, "--session", session, "--on-floor", "-40", "--off-floor", "-45")
        check(run.returncode == 0 and notes(csv) == [69], f"--on-floor over the session: {run.stderr}")
        run = transcribe(binary, tone, "--csv", csv, "--session", session, "--floor-on", "-40")
        check(run.returncode == 2 and "off level above its on level" in run.stderr,
              f"an off floor left above the on floor: {run.returncode}")
        # Settings the panel has, now options too: a note range that leaves A4 out.
        run = transcribe(binary, tone, "--csv", csv, "--lowest-note", "72", "--max-polyphony", "2")
        check(run.returncode == 0 and notes(csv) == [], f"--lowest-note 72: {run.returncode}, {run.stderr}")

        for name, content in (("missing.toml", None), ("corrupt.toml", "format = [[[\n")):
            path = os.path.join(folder, name)
            if content is not None:
                with open(path, "w") as f:
                    f.write(content)
            run = transcribe(binary, tone, "--csv", csv, "--session", path)
            check(run.returncode == 1 and "cannot use the session" in run.stderr, f"{name}: {run.stderr}")
            check(content is None or (os.path.exists(path) and not os.path.exists(path + ".bak")),
                  f"{name} was moved")

        # Inputs and outputs that fail: (arguments, status, what stderr says).
        os.mkdir(os.path.join(folder, "x.wav"))
        os.mkfifo(os.path.join(folder, "pipe.wav"))
        second = os.path.join(folder, "b4.wav")
        write_tone(second, 493.88, 0.1)
        cases = [
            ("folder", [os.path.join(folder, "x.wav")], 1, "x.wav: is a folder"),
            ("FIFO without a writer", [os.path.join(folder, "pipe.wav")], 1, "pipe.wav: not a regular file"),
            ("device", ["/dev/zero"], 1, "/dev/zero: not a regular file"),
            ("missing input", [os.path.join(folder, "nothing.wav")], 1, "nothing.wav: no such file"),
            ("CSV on a full disk", [tone, "--csv", "/dev/full"], 1, "/dev/full: cannot be written (No space left"),
            ("MIDI on a full disk", [tone, "-o", "/dev/full"], 1, "/dev/full: cannot be written (No space left"),
            ("no input", [], 2, "FILE is required"),
            ("bad option", [tone, "--loud"], 2, "--loud"),
            ("value out of range", [tone, "--max-polyphony", "0"], 2, "--max-polyphony"),
            ("-o with several inputs", [tone, second, "-o", "x.mid"], 2, "-o and --csv name one file each"),
        ]
        for what, arguments, status, says in cases:
            run = transcribe(binary, *arguments)
            lines = run.stderr.splitlines()
            check(run.returncode == status, f"{what}: status {run.returncode}, not {status}: {run.stderr}")
            check(lines and lines[0].startswith(NAME) and says in lines[0], f"{what}: {run.stderr!r}")
            check(status != 2 or "Usage: dravik-transcribe" in run.stderr, f"{what}: no usage: {run.stderr!r}")

        # Several inputs: beside each, or into -d DIR (made when missing).
        run = transcribe(binary, tone, second, "-t", "mid,csv")
        check(run.returncode == 0, f"two inputs: {run.stderr}")
        for stem, note in (("a4", 69), ("b4", 71)):
            check(os.path.getsize(os.path.join(folder, stem + ".mid")) > 0, f"{stem}.mid beside its input")
            check(notes(os.path.join(folder, stem + ".csv")) == [note], f"{stem}.csv beside its input")
        out = os.path.join(folder, "out", "notes")
        run = transcribe(binary, tone, second, "-d", out, "-t", "csv")
        check(run.returncode == 0 and sorted(os.listdir(out)) == ["a4.csv", "b4.csv"], f"-d DIR: {run.stderr}")
        # One input that fails does not stop the others, and the status says so.
        run = transcribe(binary, os.path.join(folder, "x.wav"), tone, "-d", out)
        check(run.returncode == 1 and os.path.exists(os.path.join(out, "a4.mid")), f"a bad input among good: {run}")

        # Every line it prints starts with its name, the summary too.
        run = transcribe(binary, tone, "--csv", csv, quiet=False)
        check(run.returncode == 0 and run.stderr and all(line.startswith(NAME) for line in run.stderr.splitlines()),
              f"lines without the program's name: {run.stderr!r}")

        run = transcribe(binary, "--version", quiet=False)
        check(run.returncode == 0 and run.stdout.startswith("dravik-transcribe "), f"--version: {run.stdout!r}")
        run = transcribe(binary, "--help", quiet=False)
        check(run.returncode == 0 and "--max-polyphony" in run.stdout and "=6" in run.stdout,
              "--help shows the options with their defaults")

    for failure in failures:
        print(f"FAILED: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
