#!/usr/bin/env python3
"""The installed tree works on its own: `cmake --install` of a build into a
temporary folder gives programs and server libraries that find each other
there (and never in the build tree), the installed autocall registers
and creates the installed servers, and the installed ostrel comes with its
desktop entry, its icon and the shipped defaults it copies from the install.

    test_install.py CMAKE BUILD_DIR
"""
import os
import pathlib
import re
import subprocess
import sys
import tempfile

OUR_LIBRARIES = ("libplatform_automation.so", "libplatform_snmppp.so",
                 "libplatform_last_error.so", "libmgmtapi.so", "libsnmpapi.so",
                 "libkestrin2.so", "libgorlith.so")
PROGRAMS = ("autocall", "mellick", "ostrel")
RAW_FRAME_PROGRAMS = ("mellick", "ostrel")
NOT_INSTALLED = ("snmpagent", "vgsim", "namsim")
# The operator program's data files, by their place under the prefix.
DATA_FILES = ("share/ostrel/Ostrel.ini", "share/ostrel/Language/rcEng.lang",
              "share/ostrel/Language/rcChs.lang", "share/applications/ostrel.desktop",
              "share/icons/hicolor/64x64/apps/ostrel.png")


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, timeout=60, **kw)


def runpaths(path):
    out = run(["readelf", "-d", str(path)]).stdout
    found = re.findall(r"\((?:RUNPATH|RPATH)\)\s+Library r\w*path: \[(.*)\]", out)
    return [entry for value in found for entry in value.split(":")]


def desktop_entry(path):
    """The [Desktop Entry] group's keys and values."""
    entry, group = {}, None
    for line in path.read_text().splitlines():
        if line.startswith("["):
            group = line.strip()
        elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
            key, value = line.split("=", 1)
            entry[key.strip()] = value.strip()
    return entry


def check_ostrel(root, tmp, env):
    """The installed operator program, its desktop files and its shipped
    defaults, which a start copies from the install, not the source tree."""
    failures = [f"{name} is not installed" for name in DATA_FILES if not (root / name).is_file()]
    if failures:
        return failures
    entry = desktop_entry(root / "share/applications/ostrel.desktop")
    for key, value in (("Type", "Application"), ("Name", "Ostrel"), ("Exec", "ostrel %f"),
                       ("Icon", "ostrel")):
        if entry.get(key) != value:
            failures.append(f"the desktop entry has {key}={entry.get(key)!r}, not {value!r}")
    png = (root / "share/icons/hicolor/64x64/apps/ostrel.png").read_bytes()
    if png[:8] != b"\x89PNG\r\n\x1a\n" or png[16:24] != (64).to_bytes(4, "big") * 2:
        failures.append("the installed icon is not a 64 x 64 PNG picture")

    ostrel = str(root / "bin/ostrel")
    env = {k: v for k, v in env.items() if k not in ("LD_DEBUG", "OSTREL_DATA_DIR")}
    env["QT_QPA_PLATFORM"] = "offscreen"
    r = run([ostrel, "--help"], env=env)
    if r.returncode != 0 or "usage: ostrel" not in r.stdout:
        failures.append(f"the installed ostrel does not answer --help: status {r.returncode}, "
                        f"err {r.stderr.strip()!r}")

    # A start copies the defaults first, then gives up at once on an empty
    # class registry and no session bus. The installed defaults ask for the
    # IP range first, a modal dialog nobody answers here: this start skips it.
    installed_ini = root / "share/ostrel/Ostrel.ini"
    installed_ini.write_text(installed_ini.read_text().replace("StartVisible=1", "StartVisible=0")
                             + "; as installed\n")
    env.update(OSTREL_HOME=str(tmp / "home"), OSTREL_MESSAGE_LOG=str(tmp / "messages.log"),
               OSTREL_AUTOMATION_REGISTRY=str(tmp / "empty-classes.ini"),
               DBUS_SESSION_BUS_ADDRESS=f"unix:path={tmp / 'no-bus'}")
    try:
        r = run([ostrel], env=env)
    except subprocess.TimeoutExpired:
        return failures + ["the installed ostrel did not give up without its servers"]
    copied = tmp / "home/Ostrel.ini"
    if not copied.is_file() or not copied.read_text().endswith("; as installed\n"):
        failures.append(f"the installed ostrel did not copy the installed Ostrel.ini "
                        f"(status {r.returncode}, err {r.stderr[-2000:]!r})")
    if not (tmp / "home/Language/rcEng.lang").is_file():
        failures.append("the installed ostrel did not copy the language packs")
    return failures


def main():
    cmake, build = sys.argv[1], pathlib.Path(sys.argv[2]).resolve()
    failures = []
    with tempfile.TemporaryDirectory(prefix="ostrel-install-") as tmp:
        tmp = pathlib.Path(tmp)
        # Under DESTDIR the install leaves the capability to the packager,
        # so the test needs no privileges.
        env = dict(os.environ, DESTDIR=str(tmp / "dest"))
        r = run([cmake, "--install", str(build), "--prefix", "/opt/ostrel"], env=env)
        if r.returncode != 0:
            print(r.stdout + r.stderr)
            return 1
        root = tmp / "dest" / "opt" / "ostrel"
        files = {p.name: p for p in root.rglob("*") if p.is_file()}

        for name in OUR_LIBRARIES + PROGRAMS:
            if name not in files:
                failures.append(f"{name} is not installed")
        for name in NOT_INSTALLED:
            if name in files:
                failures.append(f"the test peer {name} is installed")
        for name, path in sorted(files.items()):
            for entry in runpaths(path):
                # The programs with a file capability also name the
                # installed library folder: the loader takes no $ORIGIN
                # from them.
                installed = name in RAW_FRAME_PROGRAMS and entry == "/opt/ostrel/lib/ostrel"
                if not entry.startswith("$ORIGIN") and not installed:
                    failures.append(f"{name} searches {entry} for libraries")
        if failures:
            print("\n".join(failures))
            return 1

        env = {k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"}
        env["OSTREL_AUTOMATION_REGISTRY"] = str(tmp / "classes.ini")
        autocall = str(files["autocall"])
        for library in ("libkestrin2.so", "libgorlith.so"):
            r = run([autocall, "--register", str(files[library])], env=env)
            if r.returncode != 0:
                failures.append(f"registering {library}: {r.stderr.strip()}")
        # Every library of ours that the process loads comes from the install.
        env["LD_DEBUG"] = "files"
        r = run([autocall], env=env, input="m = create Kestrin2.com_manager.1\n"
                "print m.timeout m.retry_count m.num_threads m.poll_period m.user\n"
                "u = create Gorlith.updater.1\n"
                "print u.timeout\n")
        if r.returncode != 0 or r.stdout != "3000 3 5 5000 vuzuvuz\n1000\n":
            failures.append(f"the installed servers did not answer: status {r.returncode}, "
                            f"out {r.stdout!r}, err {r.stderr[-2000:]!r}")
        loaded = set(re.findall(r"calling init: (\S+)", r.stderr))
        real_root = root.resolve()
        for name in OUR_LIBRARIES:
            paths = [p for p in loaded if pathlib.Path(p).name == name]
            if not paths:
                failures.append(f"{name} was not loaded")
            for p in paths:
                if real_root not in pathlib.Path(p).resolve().parents:
                    failures.append(f"{name} was loaded from {p}")

        r = run([str(files["mellick"]), "--help"], env={k: v for k, v in env.items()
                                                       if k != "LD_DEBUG"})
        if r.returncode != 0:
            failures.append(f"the installed mellick does not start: {r.stderr.strip()}")
        failures += check_ostrel(root, tmp, env)
    print("\n".join(failures) if failures else "the installed tree works")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
