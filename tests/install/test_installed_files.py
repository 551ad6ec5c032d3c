"""`cmake --install` into a temporary prefix places the binary, a valid desktop
entry, the icon in the hicolor theme at 48, 128 and 256 pixels, and valid
AppStream metainfo."""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

APP_ID = "org.dravik.Dravik"


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    assert header[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG"
    return struct.unpack(">II", header[16:24])


def check(command):
    result = subprocess.run(command, capture_output=True, text=True)
    assert result.returncode == 0, f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}"
    return result.stdout + result.stderr


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--cmake", required=True)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="dravik-install-") as prefix:
        check([args.cmake, "--install", args.build, "--prefix", prefix])

        binary = os.path.join(prefix, "bin", "dravik")
        assert os.access(binary, os.X_OK), "no executable bin/dravik"

        desktop = os.path.join(prefix, "share", "applications", f"{APP_ID}.desktop")
        output = check(["desktop-file-validate", desktop])
        assert output.strip() == "", f"desktop-file-validate has remarks:\n{output}"
        entry = open(desktop).read()
        assert "\nExec=dravik %F\n" in entry and f"\nIcon={APP_ID}\n" in entry, entry
        # A file manager offers Dravik for every format it reads.
        mime = next(line for line in entry.splitlines() if line.startswith("MimeType="))
        for kind in ("audio/x-wav", "audio/x-aiff", "audio/flac", "audio/x-vorbis+ogg", "audio/x-opus+ogg",
                     "audio/mpeg"):
            assert kind in mime.split("=", 1)[1].split(";"), f"{kind} missing from {mime}"

        metainfo = os.path.join(prefix, "share", "metainfo", f"{APP_ID}.metainfo.xml")
        print(check(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo]), end="")

        for side in (48, 128, 256):
            icon = os.path.join(prefix, "share", "icons", "hicolor", f"{side}x{side}", "apps", f"{APP_ID}.png")
            assert os.path.isfile(icon), f"no {side} px icon"
            assert png_size(icon) == (side, side), f"{icon} is {png_size(icon)}"


if __name__ == "__main__":
    try:
        main()
    except AssertionError as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
