#!/usr/bin/env python3
"""Checks that every language pack translates every text of the built-in
string table, with the same printf conversions in the same order, and
nothing else. Exits 1 with a line per problem."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CONVERSION = re.compile(r"%[-+ #0]*\d*(?:\.\d+)?(?:hh|h|ll|l|L|I64)?[diouxXeEfgGcsp%]")


def builtin(path):
    text = path.read_text(encoding="utf-8")
    return {int(i): t.encode().decode("unicode_escape").encode("latin-1").decode("utf-8")
            for i, t in re.findall(r'\{(\d+), "(.*)"\},', text)}


def pack(path):
    strings, section = {}, None
    for line in path.read_text(encoding="utf-8").splitlines():
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            section = line.strip("[]")
        elif section == "Strings":
            key, _, value = line.partition("=")
            value = (value.replace("\\\\", "\0").replace("\\r", "\r").replace("\\n", "\n")
                     .replace("\\t", "\t").replace("\0", "\\"))
            strings[int(key)] = value
    return strings


def problems(table, packs):
    for path in packs:
        strings = pack(path)
        for i in sorted(table.keys() - strings.keys()):
            yield f"{path.name}: text {i} is missing"
        for i in sorted(strings.keys() - table.keys()):
            yield f"{path.name}: text {i} is not in the built-in table"
        for i in sorted(table.keys() & strings.keys()):
            if CONVERSION.findall(table[i]) != CONVERSION.findall(strings[i]):
                yield f"{path.name}: text {i} has other conversions than the built-in one"


def main(argv):
    root = pathlib.Path(argv[1]) if len(argv) > 1 else ROOT
    table = builtin(root / "resources" / "string_table.cpp")
    packs = sorted((root / "resources" / "Language").glob("*.lang"))
    if not packs:
        print("no language packs found", file=sys.stderr)
        return 1
    found = list(problems(table, packs))
    for line in found:
        print(line, file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
