#!/usr/bin/env python3
"""`cmake --install` from a build folder with a short path: the run path an
installed program gets does not depend on how long the build folder's path
is, nor on the prefix given to the install. A fresh build folder right under
/tmp builds only what installing `mellick` needs (its run path names the
installed library folder, so it is the one whose room was short); that
program and its library are installed under a short and a long prefix, and
the installed program runs.

    test_install_short_path.py CMAKE SOURCE_DIR
"""
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

COMPONENTS = ("mellick", "platform_automation")


def run(argv, timeout=60, **kw):
    return subprocess.run(argv, capture_output=True, text=True, timeout=timeout, **kw)


def runpath(path):
    out = run(["readelf", "-d", str(path)]).stdout
    found = re.findall(r"\((?:RUNPATH|RPATH)\)\s+Library r\w*path: \[(.*)\]", out)
    return found[0].split(":") if found else []


def install(cmake, build, tmp, prefix):
    """Installs the components under `prefix` (in a DESTDIR below `tmp`, so
    that no privileges are needed); the failures found."""
    dest = pathlib.Path(tempfile.mkdtemp(prefix="dest-", dir=tmp))
    env = dict(os.environ, DESTDIR=str(dest))
    for component in COMPONENTS:
        r = run([cmake, "--install", str(build), "--prefix", prefix, "--component", component],
                env=env)
        if r.returncode != 0:
            return [f"installing {component} under {prefix[:40]}...: {r.stdout}{r.stderr}"]
    root = dest / prefix.lstrip("/")
    mellick = root / "bin/mellick"
    if not mellick.is_file():
        return [f"mellick is not installed under {prefix[:40]}..."]
    failures = []
    expected = ["$ORIGIN/../lib/ostrel", prefix + "/lib/ostrel"]
    if runpath(mellick) != expected:
        failures.append(f"the installed mellick has the run path {runpath(mellick)}, "
                        f"not {expected}")
    env = {k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"}
    env["LD_DEBUG"] = "files"
    r = run([str(mellick), "--help"], env=env)
    if r.returncode != 0:
        failures.append(f"the installed mellick does not start: {r.stderr[-2000:]}")
    loaded = re.findall(r"calling init: (\S+libplatform_automation\.so)", r.stderr)
    if not loaded or any(root.resolve() not in pathlib.Path(p).resolve().parents
                         for p in loaded):
        failures.append(f"libplatform_automation.so was loaded from {loaded}")
    return failures


def main():
    cmake, source = sys.argv[1], sys.argv[2]
    tmp = tempfile.mkdtemp(prefix="ostrel-install-short-")
    # Shorter than the installed run path of a program that names the
    # prefix: the room the link left was the build folder's.
    build = pathlib.Path(tempfile.mkdtemp(prefix="o", dir="/tmp"))
    try:
        # What the install is about, nothing more: no tests, no benchmarks,
        # no debug information; warnings are the main build's business.
        r = run([cmake, "-S", source, "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=",
                 "-DOSTREL_WERROR=OFF", "-DOSTREL_BUILD_TESTS=OFF", "-DOSTREL_BUILD_BENCH=OFF"],
                timeout=120)
        if r.returncode != 0:
            print(r.stdout + r.stderr)
            return 1
        r = run([cmake, "--build", str(build), "-j", "2", "--target", *COMPONENTS], timeout=600)
        if r.returncode != 0:
            print(r.stdout[-5000:] + r.stderr)
            return 1
        failures = []
        for prefix in ("/opt/ostrel", "/opt/" + "long-prefix-" * 20 + "ostrel"):
            failures += install(cmake, build, tmp, prefix)
    finally:
        shutil.rmtree(build, ignore_errors=True)
        shutil.rmtree(tmp, ignore_errors=True)
    print("\n".join(failures) if failures else "installed from a short build path")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
