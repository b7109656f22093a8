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
