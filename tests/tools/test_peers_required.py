#!/usr/bin/env python3
"""The peer rule on a machine without snmpd (played by pointing the tests at
a path where it is not): under OSTREL_REQUIRE_PEERS=1 an SNMP integration
test fails and names snmpd; run alone it is skipped."""

import os
import subprocess
import sys
import unittest

PROGRAM = sys.argv.pop(1)
FILTER = "--gtest_filter=Both/PollerBackendSnmpd.GetReadsSysDescr/*"


def run(require):
    env = dict(os.environ, OSTREL_SNMPD="/nonexistent/snmpd")
    env.pop("OSTREL_REQUIRE_PEERS", None)
    if require:
        env["OSTREL_REQUIRE_PEERS"] = "1"
    return subprocess.run([PROGRAM, FILTER], env=env, capture_output=True, text=True, timeout=60)


class PeersRequired(unittest.TestCase):
    def test_a_missing_snmpd_fails_the_test_command_naming_it(self):
        done = run(require=True)
        self.assertNotEqual(done.returncode, 0, done.stdout)
        self.assertIn("missing peer: snmpd", done.stdout)

    def test_run_alone_it_is_skipped(self):
        done = run(require=False)
        self.assertEqual(done.returncode, 0, done.stdout)
        self.assertIn("SKIPPED", done.stdout)


if __name__ == "__main__":
    unittest.main()
