#!/usr/bin/env python3
"""The README's first session works as written: its agent block (a command
line, then the lines typed into the agent) and its autocall block, taken
from README.md by their <!-- readme-example: NAME --> marks, run against
the build, and autocall prints what the README's output block says.

    test_readme_example.py README BUILD_DIR

The agent is given port 0 in place of the README's port, and autocall the
port the agent reports, so that the test never needs a particular port.
"""
import os
import pathlib
import re
import select
import shlex
import subprocess
import sys
import tempfile
import time

README_PORT = "16161"


def example_blocks(text):
    """The fenced block after each <!-- readme-example: NAME --> mark."""
    blocks = {}
    for m in re.finditer(r"<!-- readme-example: (\S+) -->\s*\n```[^\n]*\n(.*?)```", text, re.S):
        blocks[m.group(1)] = m.group(2).splitlines()
    return blocks


class line_reader:
    """The agent's answers, a line at a time, waiting at most until a deadline."""

    def __init__(self, fd):
        self.fd = fd
        self.pending = b""

    def line(self, deadline):
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                return None
            chunk = os.read(self.fd, 4096)
            if not chunk:
                return None
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode().strip()


def main():
    readme, build = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]).resolve()
    blocks = example_blocks(readme.read_text())
    for name in ("agent", "autocall", "output"):
        if name not in blocks:
            print(f"README.md has no readme-example block named {name}")
            return 1
    agent_lines, autocall_lines, output = blocks["agent"], blocks["autocall"], blocks["output"]
    if README_PORT not in agent_lines[0] or not any(README_PORT in l for l in autocall_lines):
        print(f"the example no longer uses port {README_PORT} in both blocks; update this test")
        return 1

    argv = shlex.split(agent_lines[0].replace(README_PORT, "0"))
    if not argv[0].startswith("build/default/"):
        print(f"the agent block does not start a program of the build: {argv[0]}")
        return 1
    argv[0] = str(build / argv[0][len("build/default/"):])
    autocall = str(build / "tools/autocall/autocall")

    agent = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    try:
        deadline = time.monotonic() + 20
        answers = line_reader(agent.stdout.fileno())
        first = answers.line(deadline)
        if not first or not first.startswith("port "):
            print(f"the agent did not report its port: {first!r}")
            return 1
        port = first.split()[1]
        for line in agent_lines[1:]:
            agent.stdin.write((line + "\n").encode())
            agent.stdin.flush()
            answer = answers.line(deadline)
            if answer != "ok":
                print(f"the agent answered {answer!r} to {line!r}")
                return 1

        with tempfile.TemporaryDirectory(prefix="readme-example-") as tmp:
            env = dict(os.environ, OSTREL_AUTOMATION_REGISTRY=str(pathlib.Path(tmp) / "classes.ini"))
            r = subprocess.run([autocall, "--register", str(build / "poller/server/libkestrin2.so")],
                               env=env, capture_output=True, text=True, timeout=60)
            if r.returncode != 0:
                print(f"registering libkestrin2.so failed: {r.stderr}")
                return 1
            script = "".join(l.replace(README_PORT, port) + "\n" for l in autocall_lines)
            r = subprocess.run([autocall], input=script, env=env, capture_output=True, text=True,
                               timeout=60)
        if r.returncode != 0 or r.stdout.splitlines() != output:
            print(f"the example printed {r.stdout!r} (status {r.returncode}, errors {r.stderr!r}), "
                  f"the README says {output!r}")
            return 1
    finally:
        if agent.poll() is None:
            try:
                agent.stdin.write(b"quit\n")
                agent.stdin.close()
                agent.wait(timeout=10)
            except (BrokenPipeError, subprocess.TimeoutExpired):
                agent.kill()
                agent.wait()
    print("the README's example prints", output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
