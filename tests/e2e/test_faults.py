"""Faults from outside that the program survives:
- a corrupt, empty, binary or huge imgui.ini, or a folder in its place: the
  program starts (with a one-line warning where the file is skipped), and the
  file it saves at the close is a clean layout;
- XDG_CONFIG_HOME a file, or a folder nobody may write: a warning, and it runs;
- SIGTERM, SIGINT, SIGHUP and SIGQUIT: a prompt exit with status 0 that
  saves the layout and the session;
- two instances at once: the settings file left behind is one whole layout."""

import os
import re
import signal
import subprocess
import tempfile

from dravik_e2e import (GENERATOR_ENABLED, GENERATOR_NODE, GENERATOR_ROWS, TITLE, DisplayHold, Dravik, open_tree_node,
                        parse_arguments, run_test, set_checkbox, wait_for_panels, wait_until)

GENERATOR_PLACE = (700, 420)
SKIPPED = "dravik: ignoring the saved panel layout"
PANEL = "[Window][Audio Generator]\nPos=440,360\n"


def settings_file(config_home):
    return os.path.join(config_home, "dravik", "imgui.ini")


def with_settings(content):
    """A prepare step writing content (bytes) as imgui.ini, or making it a folder for None."""
    def prepare(config_home):
        path = settings_file(config_home)
        os.makedirs(os.path.dirname(path))
        if content is None:
            os.makedirs(os.path.join(path, "inside"))
        else:
            with open(path, "wb") as f:
                f.write(content)
    return prepare


def read_settings(config_home):
    with open(settings_file(config_home), "rb") as f:
        return f.read().decode()


def start_and_close(args, name, prepare, expect_in_log, check_saved=True):
    with Dravik(args.binary, args.close_tool, args.artifacts, name, prepare=prepare) as dravik:
        dravik.wait_for_centred_window()
        wait_for_panels(dravik)
        dravik.close(timeout=10)
        log = dravik.log()
        for text in expect_in_log:
            assert text in log, f"{name}: '{text}' not in the log:\n{log}"
        if check_saved:
            saved = read_settings(dravik.config_home)
            assert "[Window][Audio Generator]" in saved and "[Table]" not in saved, f"{name}: saved\n{saved}"
        return log


def settings_files(args):
    cases = [
        ("table", b"[Table][0x00001234,178956971]\nColumn 0 Width=10\n", []),
        ("columns", b"[Table][0x00001234,100000000]\nColumn 0 Width=10\n" + PANEL.encode(), []),
        ("empty", b"", [SKIPPED, "(it is empty)"]),
        ("binary", b"\x7fELF\x02\x01\x01\x00" + bytes(range(256)) * 8, [SKIPPED, "(it holds binary data)"]),
        ("huge", PANEL.encode() + b"#" * (8 << 20), [SKIPPED, "larger than 65536 bytes"]),
    ]
    for name, content, warnings in cases:
        start_and_close(args, f"settings-{name}", with_settings(content), warnings)
    # A folder in the file's place stays, and saving it says so once.
    log = start_and_close(args, "settings-folder", with_settings(None),
                          [SKIPPED, "(it is a folder)", "dravik: cannot save the panel layout"], check_saved=False)
    assert log.count("cannot save") == 1, log


def config_folders(args):
    """XDG_CONFIG_HOME a file, XDG_CONFIG_HOME where no folder can be made,
    and a settings folder that takes no files: /proc refuses both, also to root."""
    def file_in_place(config_home):
        os.rmdir(config_home)
        with open(config_home, "w") as f:
            f.write("not a folder")

    def unwritable(config_home):
        os.rmdir(config_home)
        os.symlink("/proc", config_home)

    def unwritable_settings_folder(config_home):
        os.symlink("/proc", os.path.join(config_home, "dravik"))

    not_saved = ["dravik: cannot use the settings folder", "the panel layout is not saved"]
    start_and_close(args, "config-file", file_in_place, not_saved, check_saved=False)
    start_and_close(args, "config-unwritable", unwritable, not_saved, check_saved=False)
    start_and_close(args, "config-settings-folder-unwritable", unwritable_settings_folder,
                    ["dravik: cannot save the panel layout to", "(cannot create a file in"], check_saved=False)


def stop_signals(args):
    """Each stop signal after two changed settings: a moved panel (the layout)
    and the generator's node opened and its "Enabled" ticked (the session)."""
    signals = (("sigterm", signal.SIGTERM), ("sigint", signal.SIGINT), ("sighup", signal.SIGHUP),
               ("sigquit", signal.SIGQUIT))
    for name, number in signals:
        with Dravik(args.binary, args.close_tool, args.artifacts, f"signal-{name}") as dravik:
            dravik.wait_for_centred_window()
            generator = wait_for_panels(dravik)
            generator = dravik.drag_panel(generator, GENERATOR_PLACE)
            open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, GENERATOR_NODE + 1)
            set_checkbox(dravik, generator, GENERATOR_ROWS, GENERATOR_ENABLED, True, indent=1)
            dravik.process.send_signal(number)
            status = dravik.wait_exit(timeout=5)
            assert status == 0, f"{name}: exit status {status}:\n{dravik.log()}"
            saved = read_settings(dravik.config_home)
            assert "[Window][Audio Generator]\nPos=700,420\n" in saved, f"{name}: saved\n{saved}"
            with open(os.path.join(dravik.config_home, "dravik", "session.toml")) as f:
                session = f.read()
            assert re.search(r"enabled = true", session), f"{name}: session\n{session}"


def two_instances(args):
    hold = DisplayHold()
    config_home = tempfile.mkdtemp(prefix="dravik-e2e-two-")
    environment = dict(os.environ, XDG_CONFIG_HOME=config_home)
    logs = [open(os.path.join(args.artifacts, f"two-instances-{i}.stderr.txt"), "w") for i in range(2)]
    processes = [subprocess.Popen([args.binary], env=environment, stdout=log, stderr=subprocess.STDOUT)
                 for log in logs]
    try:
        def both_shown():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + re.escape(TITLE) + "$"],
                                   capture_output=True, text=True).stdout.split()
            return len(found) == 2

        wait_until(both_shown, 30, "two program windows")
        for process in processes:
            process.send_signal(signal.SIGTERM)
        statuses = [process.wait(timeout=10) for process in processes]
        assert statuses == [0, 0], f"exit statuses {statuses}"
        saved = read_settings(config_home)
        assert saved.count("[Window][") >= 2 and saved.endswith("\n\n"), f"saved\n{saved}"
        left = sorted(os.listdir(os.path.join(config_home, "dravik")))
        assert left == ["imgui.ini", "session.toml"], f"a temporary file was left: {left}"
    finally:
        for process in processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        for log in logs:
            log.close()
        subprocess.run(["rm", "-rf", config_home])
        hold.close()


def main():
    args = parse_arguments()
    settings_files(args)
    config_folders(args)
    stop_signals(args)
    two_instances(args)


if __name__ == "__main__":
    run_test(main)
