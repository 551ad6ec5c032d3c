"""Faults from outside that the program survives:
- a corrupt, empty, binary or huge imgui.ini, or a folder in its place: the
  program starts (with a one-line warning where the file is skipped), and the
  file it saves at the close is a clean layout;
- XDG_CONFIG_HOME a file, or a folder nobody may write: a warning, and it runs;
- SIGTERM, SIGINT, SIGHUP and SIGQUIT: a prompt exit with status 0 that
  saves the layout and the session;
- two instances at once: the settings file left behind is one whole layout;
- a session.toml its user cannot read (run as "nobody" when the test is
  root): a warning, and the file is left as it was;
- a linked config folder, linked settings files, a link to /dev/full: saved
  through to the targets, the links kept, a failure said in one line;
- no audio device: one line, the libraries' own lines only with --verbose."""

import os
import re
import shutil
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


NOBODY = 65534


def unreadable_session(args):
    """The user may not read the session (mode 000): the program starts with
    defaults, says so, and neither backs it up nor saves over it."""
    content = "# the user's own session, which this user may not read\n"
    as_root = os.geteuid() == 0
    auth = None

    def prepare(config_home):
        folder = os.path.join(config_home, "dravik")
        os.makedirs(folder)
        path = os.path.join(folder, "session.toml")
        with open(path, "w") as f:
            f.write(content)
        os.chmod(path, 0)
        if as_root:
            for place in (config_home, folder, path):
                os.chown(place, NOBODY, NOBODY)

    binary, arguments, env = args.binary, [], None
    if as_root:
        # Root reads any file: the program runs as "nobody", with a copy of
        # the display's cookie that user may read.
        binary = "setpriv"
        arguments = [f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups", args.binary]
        env = dict(os.environ)
        if os.environ.get("XAUTHORITY"):
            auth = tempfile.mkdtemp(prefix="dravik-e2e-auth-")
            os.chmod(auth, 0o755)
            copy = os.path.join(auth, "Xauthority")
            shutil.copy(os.environ["XAUTHORITY"], copy)
            os.chown(copy, NOBODY, NOBODY)
            env["XAUTHORITY"] = copy
    try:
        with Dravik(binary, args.close_tool, args.artifacts, "session-unreadable", env=env, arguments=arguments,
                    prepare=prepare) as dravik:
            dravik.wait_for_centred_window()
            wait_for_panels(dravik)
            dravik.close(timeout=10)
            log = dravik.log()
            path = os.path.join(dravik.config_home, "dravik", "session.toml")
            for text in ("session: cannot read " + path, "(Permission denied)", "not saved over at exit",
                         "it is left as it was"):
                assert text in log, f"'{text}' not in the log:\n{log}"
            os.chmod(path, 0o600)
            with open(path) as f:
                assert f.read() == content, "the unreadable session was replaced"
            left = sorted(os.listdir(os.path.dirname(path)))
            assert left == ["imgui.ini", "session.toml"], f"left in the folder: {left}"
    finally:
        if auth is not None:
            shutil.rmtree(auth)


def linked_settings(args):
    """Dotfiles kept elsewhere: the config folder a link, or each file a link
    (one to a file not made yet); a save goes to the targets and the links stay.
    A link to /dev/full says why the session is not saved, in one line."""
    dotfiles = tempfile.mkdtemp(prefix="dravik-e2e-dotfiles-")

    def linked_folder(config_home):
        os.makedirs(os.path.join(dotfiles, "folder"))
        os.symlink(os.path.join(dotfiles, "folder"), os.path.join(config_home, "dravik"))

    def linked_files(config_home):
        os.makedirs(os.path.join(dotfiles, "files"))
        os.makedirs(os.path.join(config_home, "dravik"))
        with open(os.path.join(dotfiles, "files", "imgui.ini"), "w") as f:
            f.write(PANEL)
        for name in ("imgui.ini", "session.toml"):
            os.symlink(os.path.join(dotfiles, "files", name), os.path.join(config_home, "dravik", name))

    def full_device(config_home):
        os.makedirs(os.path.join(config_home, "dravik"))
        os.symlink("/dev/full", os.path.join(config_home, "dravik", "session.toml"))

    cases = [
        ("folder", linked_folder, "folder", ["dravik"]),
        ("files", linked_files, "files", ["dravik/imgui.ini", "dravik/session.toml"]),
    ]
    try:
        for name, prepare, target, links in cases:
            with Dravik(args.binary, args.close_tool, args.artifacts, f"linked-{name}", prepare=prepare) as dravik:
                dravik.wait_for_centred_window()
                wait_for_panels(dravik)
                dravik.close(timeout=10)
                for link in links:
                    assert os.path.islink(os.path.join(dravik.config_home, link)), f"{name}: {link} is no link"
                with open(os.path.join(dotfiles, target, "imgui.ini")) as f:
                    assert "[Window][Audio Generator]" in f.read(), f"{name}: layout not saved through the link"
                with open(os.path.join(dotfiles, target, "session.toml")) as f:
                    assert "version = 1" in f.read(), f"{name}: session not saved through the link"
                assert "cannot" not in dravik.log(), f"{name}:\n{dravik.log()}"

        with Dravik(args.binary, args.close_tool, args.artifacts, "linked-dev-full", prepare=full_device) as dravik:
            dravik.wait_for_centred_window()
            wait_for_panels(dravik)
            dravik.close(timeout=10)
            lines = [line for line in dravik.log().splitlines() if "cannot save" in line]
            assert len(lines) == 1 and "No space left on device" in lines[0], dravik.log()
            assert os.path.islink(os.path.join(dravik.config_home, "dravik", "session.toml"))
    finally:
        shutil.rmtree(dotfiles)


def audio_noise(args):
    """OpenAL's ALSA backend finds no PCM: one line says there is no sound;
    ALSA's, OpenAL's and SFML's own lines show only with --verbose."""
    empty = os.path.join(args.artifacts, "alsa-empty.conf")
    open(empty, "w").close()
    env = dict(os.environ, ALSOFT_DRIVERS="alsa", ALSA_CONFIG_PATH=empty)
    env.pop("ALSOFT_CONF", None)
    env.pop("ALSOFT_LOGLEVEL", None)
    noise = ("ALSA lib", "AL lib", "Failed to open the audio device", "OpenAL call failed", "OpenGL context")
    for name, arguments, shown in (("quiet", [], False), ("verbose", ["--verbose"], True)):
        with Dravik(args.binary, args.close_tool, args.artifacts, f"no-audio-{name}", env=env,
                    arguments=arguments) as dravik:
            dravik.wait_for_centred_window()
            wait_for_panels(dravik)
            dravik.close(timeout=10)
            log = dravik.log()
            assert log.count("no audio output device") == 1, f"{name}:\n{log}"
            found = [text for text in noise if text in log]
            if shown:
                assert "ALSA lib" in log and "Failed to open the audio device" in log, f"{name}:\n{log}"
            else:
                assert not found, f"{name}: library noise {found}:\n{log}"
                assert len(log.splitlines()) == 1, f"{name}: more than the one line:\n{log}"


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
    unreadable_session(args)
    linked_settings(args)
    audio_noise(args)


if __name__ == "__main__":
    run_test(main)
