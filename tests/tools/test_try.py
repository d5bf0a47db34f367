#!/usr/bin/env python3
"""make try's session, as scripts/try.sh starts it, on the offscreen platform:
the program opens a DSP sheet of the simulated DSP unit given on its command
line, finds the unit on the virtual card (its address comes only from the
device simulator's announcements, through mellick on the session's bus) and
downloads the sheet, which the simulated unit's journal shows. Then the
main window is closed, and the script takes everything down: no simulator
is left and the temporary session folder is gone.

    test_try.py SOURCE_DIR DRIVER_LIBRARY

The download is started through the main window's own actions by a library
preloaded into the program (tests/tools/try_driver.cpp), which also closes
the window when the test asks. Skipped (77) where no network namespace can
be made, and for a user other than root where ostrel carries file
capabilities (the loader then ignores LD_PRELOAD).
"""
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from archive_reader import parse_hex  # noqa: E402

SKIP = 77
UNIT_MAC = b"00602b0000a1"


def eventually(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.1)
    return condition()


def read(path):
    try:
        return pathlib.Path(path).read_text(errors="replace")
    except FileNotFoundError:
        return ""


def dsp_sheet_of_the_unit(source, path):
    """A new DSP sheet (the golden of a new sheet) made the simulated unit's."""
    data = parse_hex((source / "tests/dsp_editor/fixtures/dsp_new.hex").read_text())
    assert data.count(b"00602b0a0b0c") == 1
    path.write_bytes(data.replace(b"00602b0a0b0c", UNIT_MAC))


def processes_naming(text):
    found = []
    for entry in pathlib.Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            cmdline = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if text in cmdline:
            found.append(f"{entry.name}: {cmdline}")
    return found


def main():
    source = pathlib.Path(sys.argv[1])
    driver = sys.argv[2]
    if os.geteuid() != 0 and subprocess.run(
            ["unshare", "--user", "--map-root-user", "--net", "true"],
            capture_output=True).returncode != 0:
        print("skipped: no network namespace can be made here")
        return SKIP

    getcap = shutil.which("getcap") or "/usr/sbin/getcap"
    ostrel = source / "build/default/ostrel/ostrel"
    if os.geteuid() != 0 and os.path.exists(getcap) and subprocess.run(
            [getcap, str(ostrel)], capture_output=True, text=True).stdout.strip():
        print("skipped: ostrel carries file capabilities, for which the loader ignores the "
              "test's LD_PRELOAD; run the test as root")
        return SKIP

    with tempfile.TemporaryDirectory(prefix="try-test-") as tmp:
        tmp = pathlib.Path(tmp)
        sheet = tmp / "unit.dsp"
        dsp_sheet_of_the_unit(source, sheet)
        quit_file = tmp / "quit"
        messages = tmp / "messages.log"
        env = dict(os.environ)
        env.pop("OSTREL_HOME", None)
        env.update({
            "QT_QPA_PLATFORM": "offscreen",
            "OSTREL_MESSAGE_LOG": str(messages),
            "LD_PRELOAD": driver,
            "OSTREL_TRY_DRIVER_QUIT": str(quit_file),
            "TMPDIR": str(tmp),
        })
        stderr_path = tmp / "try.err"
        with open(stderr_path, "w") as stderr:
            script = subprocess.Popen([str(source / "scripts/try.sh"), str(sheet)], env=env,
                                      stdin=subprocess.DEVNULL, stdout=stderr, stderr=stderr)
        failures = []
        journal_text = ""
        try:
            session = None
            if eventually(lambda: "session folder" in read(stderr_path), 30):
                session = re.search(r"session folder (\S+)\)", read(stderr_path)).group(1)
            else:
                failures.append("the simulated installation did not come up")
            journal = pathlib.Path(session or "/nonexistent") / "journal-198.18.1.10.log"

            # The download's last text, after the whole program.
            def downloaded():
                return any(line.startswith("command *NyRUN#") for line in read(journal).splitlines())

            if session and not eventually(downloaded, 40):
                failures.append("the download did not reach the simulated unit")
            journal_text = read(journal)
            quit_file.touch()
            try:
                status = script.wait(timeout=30)
                if status != 0:
                    failures.append(f"try.sh ended with {status}")
            except subprocess.TimeoutExpired:
                failures.append("the program did not end when its main window was closed")
            if session and os.path.exists(session):
                failures.append(f"the session folder {session} stayed")
            if session:
                left = processes_naming(session)
                if left:
                    failures.append("left running: " + "; ".join(left))
        finally:
            if script.poll() is None:
                script.kill()
                script.wait()
        if failures:
            print("FAILED:", *failures, sep="\n  ")
            print("--- try.sh:\n" + read(stderr_path))
            print("--- messages:\n" + read(messages))
            if session:
                print("--- journal:\n" + journal_text)
            return 1
        print("ok: the unit was downloaded; everything went at the end")
        return 0


if __name__ == "__main__":
    sys.exit(main())
