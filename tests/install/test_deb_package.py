"""CPack builds a Debian package whose Depends name the runtime libraries and
resolve on this system; the packaged program, unpacked into a temporary
folder, starts on the display and shows its window."""

import argparse
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from dravik_e2e import CLEAR_COLOUR, Dravik, region_differs, run_test  # noqa: E402

# Libraries the program links, by their Debian 12 package names. The labels'
# font is embedded: no font package belongs among them.
RUNTIME_PACKAGES = ("libsfml-graphics2.5", "libsfml-window2.5", "libsfml-system2.5", "libsfml-audio2.5",
                    "libfftw3-double3", "libopenal1", "libx11-6", "libstdc++6", "libc6")
# The main menu first appears at the top of the side bar, at the 1280-pixel
# window's right edge: rows of its title bar.
MAIN_MENU_TITLE = (2, 882, 18, 1060)  # top, left, bottom, right


def check(*command, cwd=None):
    result = subprocess.run(command, capture_output=True, text=True, cwd=cwd)
    assert result.returncode == 0, f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}"
    return result.stdout


def main():
    parser = argparse.ArgumentParser()
    for option in ("--cpack", "--cpack-config", "--close-tool", "--artifacts"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="dravik-deb-") as work:
        check(args.cpack, "--config", args.cpack_config, "-B", work)
        packages = [name for name in os.listdir(work) if re.fullmatch(r"dravik_.*\.deb", name)]
        assert len(packages) == 1, f"expected one dravik_*.deb, found {os.listdir(work)}"
        package = os.path.join(work, packages[0])

        depends = check("dpkg-deb", "--field", package, "Depends")
        names = {re.split(r"[ (]", item.strip())[0] for item in depends.split(",")}
        missing = [name for name in RUNTIME_PACKAGES if name not in names]
        assert not missing, f"Depends lacks {missing}: {depends}"
        assert not any(name.startswith("fonts-") for name in names), f"a font package in Depends: {depends}"
        # The file chooser's programs are optional: suggested, never required.
        suggests = check("dpkg-deb", "--field", package, "Suggests")
        assert "zenity | kdialog" in suggests and "xdg-desktop-portal" in suggests, suggests
        assert "zenity" not in names and "xdg-desktop-portal" not in names, depends

        # apt resolves the Depends against this system's packages and archives.
        plan = check("apt-get", "install", "--simulate", f"./{packages[0]}", cwd=work)
        assert re.search(r"^Inst dravik ", plan, re.MULTILINE), plan

        root = os.path.join(work, "root")
        check("dpkg-deb", "-x", package, root)
        binary = os.path.join(root, "usr", "bin", "dravik")
        for path in ("usr/share/applications/org.dravik.Dravik.desktop",
                     "usr/share/metainfo/org.dravik.Dravik.metainfo.xml",
                     "usr/share/icons/hicolor/256x256/apps/org.dravik.Dravik.png"):
            assert os.path.isfile(os.path.join(root, path)), f"{path} is not in the package"

        with Dravik(binary, args.close_tool, args.artifacts, "packaged") as dravik:
            dravik.wait_for_centred_window()
            shown = dravik.wait_for_picture(lambda image: region_differs(image, *MAIN_MENU_TITLE, CLEAR_COLOUR),
                                            20, "the packaged program's main menu")
            dravik.save(shown, "started")
            dravik.close(timeout=10)


if __name__ == "__main__":
    run_test(main)
