#!/usr/bin/env python3
"""The include check: each planted include breaks (or keeps) the layering as
the row says, in a small tree of its own; the real tree passes."""

import importlib.util
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SCRIPT = os.path.join(ROOT, "scripts", "check-includes.py")

spec = importlib.util.spec_from_file_location("check_includes", SCRIPT)
check_includes = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check_includes)

# Headers the planted includes point at.
TREE = [
    "platform/text/format.h",
    "platform/automation/server.h",
    "qo/console.h",
    "poller/snmp_manager.h",
    "poller/server/com_manager.h",
    "discovery/server/com_objects.h",
    "shell/document.h",
    "shell/ui/main_window.h",
    "device_editor/ui/editor_view.h",
    "tests/support/hex_bytes.h",
    "bench/bench_support.h",
    "ostrel/windows.h",
    "model/device_document.h",
    "comm/dsp_console.h",
    "device_editor/zo_device_doc.h",
    "dsp_editor/zo_dsp_doc.h",
    "attri_dialogs/attri_controller.h",
    "discovery/adapter.h",
]

# (what it catches, including file, include line, part of the rule or None)
CASES = [
    ("platform reaching up into qo", "platform/text/a.cpp", '#include "qo/console.h"',
     "platform/ includes only platform/"),
    ("platform reaching up into a subsystem", "platform/gdi/a.h", '#include "poller/snmp_manager.h"',
     "platform/ includes only platform/"),
    ("qo reaching up into a subsystem", "qo/net/a.cpp", '#include "poller/snmp_manager.h"',
     "qo/ includes only qo/ and platform/"),
    ("widgets in qo", "qo/a.cpp", "#include <QWidget>", "Qt Widgets header <QWidget>"),
    ("widgets in platform", "platform/gdi/a.cpp", "#include <QtWidgets/QApplication>",
     "Qt Widgets header"),
    ("widgets module path in a core", "poller/a.cpp", "#include <QtWidgets/QDialog>",
     "Qt Widgets header <QtWidgets/QDialog>"),
    ("widgets class header in a core", "discovery/a.h", "#include <QMainWindow>",
     "Qt Widgets header"),
    ("widgets file header in a core", "firmware/a.cpp", "#include <qpushbutton.h>",
     "Qt Widgets header"),
    ("widgets module header in model", "model/a.cpp", "#include <QtWidgets>", "Qt Widgets header"),
    ("print dialog in a core", "shell/a.cpp", "#include <QtPrintSupport/QPrintDialog>",
     "Qt Widgets header"),
    ("widgets in resources", "resources/a.cpp", "#include <QLabel>", "Qt Widgets header"),
    ("widgets named in quotes", "model/b.cpp", '#include "QWidget"', "Qt Widgets header"),
    ("spaced directive", "model/c.cpp", "  #  include   <QWidget>", "Qt Widgets header"),
    ("core including its own server", "discovery/adapter.cpp",
     '#include "discovery/server/com_objects.h"', "nothing from a server/ folder"),
    ("core including another server", "firmware/job.cpp", '#include "poller/server/com_manager.h"',
     "nothing from a server/ folder"),
    ("server/ reached by a path beside the file", "poller/snmp_thread.cpp",
     '#include "server/com_manager.h"', "nothing from a server/ folder"),
    ("model including a server", "model/sheet.cpp", '#include "discovery/server/com_objects.h"',
     "nothing from a server/ folder"),
    ("core including its own ui", "shell/document.cpp", '#include "shell/ui/main_window.h"',
     "nothing from a ui/ folder"),
    ("ui including another subsystem's ui", "shell/ui/a.cpp",
     '#include "device_editor/ui/editor_view.h"', "another subsystem's ui/"),
    ("a core including the shell's ui", "device_editor/a.cpp",
     '#include "shell/ui/main_window.h"', "nothing from a ui/ folder"),
    ("a subsystem including the program", "shell/ui/b.cpp", '#include "ostrel/windows.h"',
     "only tests/ include the program's ostrel/"),
    ("server including another subsystem's ui", "poller/server/a.cpp",
     '#include "device_editor/ui/editor_view.h"', "another subsystem's ui/"),
    ("a tool including tests", "tools/vgsim/a.cpp", '#include "tests/support/hex_bytes.h"',
     "only tests/, bench/ and fuzz/ may include tests/"),
    ("a core including bench", "poller/b.cpp", '#include "bench/bench_support.h"',
     "only tests/, bench/ and fuzz/ may include bench/"),
    # The layers' order: nothing includes a folder of a layer above its own.
    ("comm reaching into the device editor", "comm/route_commands.cpp",
     '#include "device_editor/zo_device_doc.h"', "comm/ sits below device_editor/"),
    ("comm reaching into the DSP editor", "comm/dsp_console.cpp",
     '#include "dsp_editor/zo_dsp_doc.h"', "comm/ sits below dsp_editor/"),
    ("the shell's core reaching into an editor", "shell/dsp_of_device.cpp",
     '#include "device_editor/zo_device_doc.h"', "shell/ sits below device_editor/"),
    ("the shell's windows reaching into an editor's core", "shell/ui/main_frame.cpp",
     '#include "device_editor/zo_device_doc.h"', "shell/ sits below device_editor/"),
    ("an editor reaching into the dialogs", "dsp_editor/zo_dsp_view.cpp",
     '#include "attri_dialogs/attri_controller.h"', "dsp_editor/ sits below attri_dialogs/"),
    ("the model reaching into comm", "model/device_chnl.cpp", '#include "comm/dsp_console.h"',
     "model/ sits below comm/"),
    ("resources reaching into the model", "resources/strings.cpp",
     '#include "model/device_document.h"', "resources/ sits below model/"),
    ("firmware reaching into the poller", "firmware/b.cpp", '#include "poller/snmp_manager.h"',
     "firmware/ sits below poller/"),
    ("the poller reaching into discovery", "poller/c.cpp", '#include "discovery/adapter.h"',
     "poller/ sits below discovery/"),
    # Allowed.
    ("an editor on the other editor", "dsp_editor/ui/a.cpp",
     '#include "device_editor/zo_device_doc.h"', None),
    ("the device editor on the DSP editor", "device_editor/a.cpp",
     '#include "dsp_editor/zo_dsp_doc.h"', None),
    ("the dialogs on an editor", "attri_dialogs/a.cpp", '#include "dsp_editor/zo_dsp_doc.h"', None),
    ("an editor on comm", "device_editor/b.cpp", '#include "comm/dsp_console.h"', None),
    ("the shell on comm", "shell/d.cpp", '#include "comm/dsp_console.h"', None),
    ("comm on the model's device document", "comm/a.cpp", '#include "model/device_document.h"',
     None),
    ("a ui using the shell's shared controls", "device_editor/ui/b.cpp",
     '#include "shell/ui/main_window.h"', None),
    ("the program putting the windows together", "ostrel/main.cpp",
     '#include "device_editor/ui/editor_view.h"', None),
    ("a fuzz harness including test support", "fuzz/frames.cpp",
     '#include "tests/support/bpf_filter.h"', None),
    ("QtGui in platform", "platform/gdi/b.cpp", "#include <QPainter>", None),
    ("QtGui by module path in a core", "model/d.cpp", "#include <QtGui/QImage>", None),
    ("QAction lives in QtGui", "shell/b.cpp", "#include <QAction>", None),
    ("QtGui's undo stack forwarder", "shell/c.cpp", "#include <qundostack.h>", None),
    ("platform within platform", "platform/text/b.cpp", '#include "platform/automation/server.h"',
     None),
    ("qo on platform", "qo/b.cpp", '#include "platform/text/format.h"', None),
    ("a core on qo and a core below it", "discovery/b.cpp", '#include "poller/snmp_manager.h"',
     None),
    ("a server on its core", "poller/server/b.cpp", '#include "poller/snmp_manager.h"', None),
    ("a ui on its core", "shell/ui/b.cpp", '#include "shell/document.h"', None),
    ("a ui on widgets", "shell/ui/c.cpp", "#include <QMainWindow>", None),
    ("a ui on its own ui", "shell/ui/d.cpp", '#include "shell/ui/main_window.h"', None),
    ("tests include servers", "tests/poller/a.cpp", '#include "poller/server/com_manager.h"', None),
    ("tests include widgets", "tests/shell/a.cpp", "#include <QWidget>", None),
    ("bench includes tests", "bench/poller/a.cpp", '#include "tests/support/hex_bytes.h"', None),
    ("a header of no folder of ours", "platform/automation/a.cpp",
     '#include "sdbus-c++/sdbus-c++.h"', None),
    ("a commented-out include", "qo/c.cpp", '// #include "poller/snmp_manager.h"', None),
]


def make_tree(root, planted):
    for path, text in [(p, "#pragma once\n") for p in TREE] + planted:
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as f:
            f.write(text)


class CheckIncludesTest(unittest.TestCase):
    def test_each_planted_include(self):
        for name, path, line, rule in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as root:
                make_tree(root, [(path, f"// {name}\n#include <vector>\n{line}\n")])
                found = check_includes.check(root)
                if rule is None:
                    self.assertEqual(found, [])
                else:
                    self.assertEqual(len(found), 1, found)
                    self.assertTrue(found[0].startswith(f"{path}:3: "), found[0])
                    self.assertIn(rule, found[0])

    def test_build_folder_is_skipped(self):
        with tempfile.TemporaryDirectory() as root:
            make_tree(root, [("build/default/qo/a.cpp", '#include "poller/snmp_manager.h"\n')])
            self.assertEqual(check_includes.check(root), [])

    def test_program_reports_every_violation_and_fails(self):
        with tempfile.TemporaryDirectory() as root:
            make_tree(root, [
                ("qo/a.cpp", '#include "poller/snmp_manager.h"\n#include <QWidget>\n'),
                ("platform/a.cpp", "#include <QPainter>\n"),
            ])
            run = subprocess.run([sys.executable, SCRIPT, "--root", root],
                                 capture_output=True, text=True)
            self.assertEqual(run.returncode, 1, run.stderr)
            lines = run.stdout.splitlines()
            self.assertEqual(len(lines), 2, lines)
            self.assertTrue(lines[0].startswith("qo/a.cpp:1: "))
            self.assertTrue(lines[1].startswith("qo/a.cpp:2: "))

    def test_real_tree_passes(self):
        run = subprocess.run([sys.executable, SCRIPT, "--root", ROOT],
                             capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertEqual(run.stdout, "")


if __name__ == "__main__":
    unittest.main()
