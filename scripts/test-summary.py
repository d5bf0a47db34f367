#!/usr/bin/env python3
"""Prints the totals of CTest JUnit reports and every skipped test with the
reason it gave (GoogleTest's GTEST_SKIP message, or CTest's own).

usage: test-summary.py REPORT.xml...
"""
import os
import re
import sys
import xml.etree.ElementTree as ET


def skip_reason(case):
    out = case.findtext("system-out") or ""
    m = re.search(r": Skipped\n(.*?)\n\[  SKIPPED \]", out, re.S)
    if m and m.group(1).strip():
        return " ".join(m.group(1).split())
    skipped = case.find("skipped")
    if skipped is not None and skipped.get("message"):
        return skipped.get("message")
    return "no reason given"


def main(paths):
    for path in paths:
        if not os.path.exists(path):
            continue
        root = ET.parse(path).getroot()
        cases = root.findall("testcase")
        failed = [c for c in cases if c.get("status") == "fail"]
        skipped = [c for c in cases if c.get("status") in ("notrun", "disabled")]
        name = os.path.splitext(os.path.basename(path))[0]
        print(f"{name}: {len(cases)} tests, {len(cases) - len(failed) - len(skipped)} passed, "
              f"{len(failed)} failed, {len(skipped)} skipped")
        for case in skipped:
            print(f"  skipped {case.get('name')}: {skip_reason(case)}")
        for case in failed:
            print(f"  FAILED  {case.get('name')}")


if __name__ == "__main__":
    main(sys.argv[1:])
