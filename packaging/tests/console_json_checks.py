#!/usr/bin/env python3
"""Checks the console program's --json output against its published schema.

usage: console_json_checks.py ZENTRIM_CMD [--gtest_output=xml:REPORT]

Runs every command of the native build (zentrim-cmd, registry files only) on a registry file of a
Windows 10 computer, validates each document against packaging/cmd/zentrim-cmd.schema.json, and
checks that what the documents say agrees with the exit codes and with the file.
"""

import json
import os
import subprocess
import sys
import tempfile
import time
import unittest

import jsonschema

from gtest_report import run_cases

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCHEMA_PATH = os.path.join(ROOT, "packaging", "cmd", "zentrim-cmd.schema.json")
PROGRAM = None

MACHINE = (
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
    "\"CurrentMajorVersionNumber\"=dword:0000000a\r\n"
    "\"CurrentMinorVersionNumber\"=dword:00000000\r\n"
    "\"CurrentBuildNumber\"=\"22631\"\r\n"
    "\"InstallationType\"=\"Client\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\r\n"
    "\"ProcessorNameString\"=\"Intel(R) Core(TM) i7\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\FileSystem]\r\n"
    "\"NtfsDisableLastAccessUpdate\"=dword:80000003\r\n\r\n"
    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
    "\"SmoothScroll\"=hex(b):01,00,00,00,00,00,00,00\r\n\r\n"
)


class ConsoleJson(unittest.TestCase):
    def setUp(self):
        with open(SCHEMA_PATH, encoding="utf-8") as file:
            schema = json.load(file)
        jsonschema.Draft202012Validator.check_schema(schema)
        self.validator = jsonschema.Draft202012Validator(schema)
        self.folder = tempfile.TemporaryDirectory()
        self.machine = os.path.join(self.folder.name, "machine.reg")
        with open(self.machine, "wb") as file:
            file.write(b"\xff\xfe" + MACHINE.encode("utf-16-le"))

    def tearDown(self):
        self.folder.cleanup()

    def run_json(self, *arguments):
        result = subprocess.run([PROGRAM, *arguments, "--json", "--registry", self.machine],
                                capture_output=True, text=True, timeout=120)
        document = json.loads(result.stdout)
        errors = sorted(self.validator.iter_errors(document), key=str)
        self.assertEqual([], [f"{list(error.path)}: {error.message}" for error in errors], arguments)
        return result.returncode, document

    def test_every_command_prints_a_document_of_the_schema(self):
        code, status = self.run_json("status")
        self.assertEqual(code, 0)
        self.assertFalse(status["backup"]["held"])
        self.assertEqual(status["profile"]["os"]["name"], "win11", "build 22631 is Windows 11")
        self.assertEqual(status["profile"]["cpu"]["name"], "intel")
        self.assertEqual([value["row"] for value in status["values"]], list(range(1, 48)))

        code, plan = self.run_json("plan", "--speed", "max")
        self.assertEqual(code, 0)
        self.assertTrue(plan["backup"]["taken"])
        self.assertTrue(any(op["purpose"] == "tweak" for op in plan["operations"]))
        self.assertEqual([op["step"] for op in plan["operations"]], list(range(1, len(plan["operations"]) + 1)))

        code, optimize = self.run_json("optimize", "--speed", "max")
        self.assertEqual((code, optimize["exitCode"], optimize["outcome"]), (0, 0, "done"))
        self.assertEqual(len(optimize["steps"]), 32)
        self.assertTrue(optimize["backupHeld"])
        self.assertEqual(optimize["summary"]["changed"], len(optimize["changed"]))

        code, status = self.run_json("status")
        self.assertTrue(status["backup"]["held"])
        self.assertEqual(status["backup"]["record"], "complete")
        self.assertTrue(all(value["matches"] is not False for value in status["values"]))

        undo = os.path.join(self.folder.name, "undo.reg")
        code, exported = self.run_json("export-undo", undo)
        self.assertEqual(code, 0)
        smooth = [value for value in exported["values"] if value["name"] == "SmoothScroll"]
        self.assertEqual(smooth[0]["value"], {"type": "REG_QWORD", "size": 8, "hex": "0100000000000000", "number": 1})

        code, plan = self.run_json("plan", "--restore")
        self.assertEqual(code, 0)
        self.assertEqual(plan["run"], "restore")

        code, restore = self.run_json("restore")
        self.assertEqual((code, restore["outcome"], restore["backupHeld"]), (0, "done", False))

    def values_of(self, document, field):
        """The live values a run document shows, by place: as they were before the run or after it."""
        return {(entry["root"], entry["key"].upper(), entry["name"].upper()): entry[field]
                for entry in document["changed"] + document["unchanged"]}

    def test_two_runs_on_one_file_never_undo_each_other(self):
        # A restore and an optimize run (Maximum Boost, so that it changes the file) started together
        # on a file optimized with Boost, round after round: the second to take the file's lock must
        # start from what the first saved (or be refused), and the file must end as the last run
        # that reported success left it.
        code, _ = self.run_json("optimize", "--speed", "boost")
        self.assertEqual(code, 0)
        with open(self.machine, "rb") as file:
            optimized = file.read()
        for round_number in range(20):
            with open(self.machine, "wb") as file:
                file.write(optimized)
            # The second starts a little later in each round, so that either may be the last to save.
            commands = ["restore", "optimize"] if round_number % 2 == 0 else ["optimize", "restore"]
            processes = {}
            for command in commands:
                options = ["--speed", "max"] if command == "optimize" else []
                processes[command] = subprocess.Popen(
                    [PROGRAM, command, *options, "--json", "--registry", self.machine],
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                time.sleep(0.005 * (round_number // 2))
            results = {}
            for command, process in processes.items():
                out, err = process.communicate(timeout=120)
                results[command] = (process.returncode, json.loads(out), err)
            with self.subTest(round=round_number):
                codes = {command: result[0] for command, result in results.items()}
                self.assertTrue(set(codes.values()) <= {0, 4}, (codes, [r[2] for r in results.values()]))
                self.assertIn(0, codes.values(), codes)
                done = [command for command, code in codes.items() if code == 0]
                if len(done) == 2:
                    restore, optimize = results["restore"][1], results["optimize"][1]
                    # A second optimize run leaves what the first left, so only the restore's
                    # start tells the orders apart when the restore came second.
                    if self.values_of(optimize, "before") == self.values_of(restore, "after"):
                        last = "optimize"
                    else:
                        self.assertEqual(self.values_of(restore, "before"), self.values_of(optimize, "after"),
                                         "the runs did not follow one another")
                        last = "restore"
                else:
                    last = done[0]
                code, status = self.run_json("status")
                now = {(value["root"], value["key"].upper(), value["name"].upper()): value["current"]
                       for value in status["values"]}
                after = self.values_of(results[last][1], "after")
                self.assertEqual({place: now[place] for place in after}, after, f"the file is not what {last} left")
                self.assertEqual(status["backup"]["held"], last == "optimize")

    def test_output_that_cannot_be_written_ends_with_two(self):
        for arguments in (["status", "--json"], ["plan"], ["--help"]):
            with self.subTest(arguments=arguments), open("/dev/full", "w") as full:
                result = subprocess.run([PROGRAM, *arguments, "--registry", self.machine], stdout=full,
                                        stderr=subprocess.PIPE, text=True, timeout=120)
                self.assertEqual(result.returncode, 2)
                self.assertIn("could not be written", result.stderr)

    def test_failures_print_an_error_document(self):
        code, error = self.run_json("restore")
        self.assertEqual((code, error["command"], error["exitCode"]), (3, "error", 3))
        code, error = self.run_json("export-undo", os.path.join(self.folder.name, "undo.reg"))
        self.assertEqual((code, error["exitCode"]), (3, 3))


def main(arguments):
    global PROGRAM
    report_path = None
    programs = []
    for argument in arguments:
        if argument.startswith("--gtest_output=xml:"):
            report_path = argument[len("--gtest_output=xml:"):]
        else:
            programs.append(argument)
    if len(programs) != 1:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    PROGRAM = os.path.abspath(programs[0])
    return run_cases((ConsoleJson,), report_path, "console JSON checks")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
