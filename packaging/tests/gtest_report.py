"""A GoogleTest-style XML report of Python unittest cases, so that the test summary counts them
with the cases of the test programs."""

import time
import traceback
import unittest
from xml.sax.saxutils import quoteattr


class Report(unittest.TestResult):
    """Collects each case's outcome and time for a GoogleTest-style XML report."""

    def __init__(self):
        super().__init__()
        self.cases = {}  # (suite, name) -> [seconds, failure text or ""]
        self.started = 0.0

    def startTest(self, test):
        super().startTest(test)
        self.started = time.monotonic()

    def _note(self, test, failure):
        suite, name = test.id().split(".")[-2:]
        case = self.cases.setdefault((suite, name), [0.0, ""])
        case[0] = time.monotonic() - self.started
        if failure:
            case[1] += failure

    def addSuccess(self, test):
        super().addSuccess(test)
        self._note(test, None)

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._note(test, "".join(traceback.format_exception(*err)))

    def addError(self, test, err):
        super().addError(test, err)
        self._note(test, "".join(traceback.format_exception(*err)))

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            self._note(test, f"{subtest.id()}\n" + "".join(traceback.format_exception(*err)))

    def write(self, path):
        lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<testsuites>"]
        for suite in dict.fromkeys(key[0] for key in self.cases):
            lines.append(f"<testsuite name={quoteattr(suite)}>")
            for (_, name), (seconds, failure) in ((key, case) for key, case in self.cases.items() if key[0] == suite):
                lines.append(f'<testcase name={quoteattr(name)} classname={quoteattr(suite)} '
                             f'status="run" result="completed" time="{seconds:.3f}">')
                if failure:
                    lines.append(f"<failure message={quoteattr(failure.splitlines()[-1])}>"
                                 f"{quoteattr(failure)[1:-1]}</failure>")
                lines.append("</testcase>")
            lines.append("</testsuite>")
        lines.append("</testsuites>")
        with open(path, "w", encoding="utf-8") as report:
            report.write("\n".join(lines) + "\n")


def run_cases(cases, report_path, label):
    """Runs the unittest classes, prints the failed cases and one summary line, writes the report;
    gives the exit code (1 when any failed or none ran)."""
    import os
    suite = unittest.TestSuite()
    for case in cases:
        suite.addTests(unittest.defaultTestLoader.loadTestsFromTestCase(case))
    result = Report()
    suite.run(result)
    failed = [key for key, (_, failure) in result.cases.items() if failure]
    for suite_name, name in failed:
        print(f"[  FAILED  ] {suite_name}.{name}\n{result.cases[(suite_name, name)][1]}")
    print(f"{label}: {len(result.cases) - len(failed)} passed, {len(failed)} failed")
    if report_path:
        os.makedirs(os.path.dirname(report_path), exist_ok=True)
        result.write(report_path)
    return 1 if failed or not result.cases else 0
