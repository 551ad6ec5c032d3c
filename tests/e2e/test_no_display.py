"""Started without a display, the program says what it needs and fails."""

import os
import subprocess
import sys


def main():
    binary = sys.argv[1]
    environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run([binary], env=environment, capture_output=True, text=True, timeout=30)
    assert result.returncode != 0, "exit status 0 without a display"
    assert "display" in result.stderr and "xvfb-run" in result.stderr, f"stderr:\n{result.stderr}"


if __name__ == "__main__":
    try:
        main()
    except AssertionError as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
