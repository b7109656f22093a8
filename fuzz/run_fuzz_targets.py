#!/usr/bin/env python3
"""Runs fuzz targets for a given time each and tells how each run ended.

usage: run_fuzz_targets.py --bin DIR --work DIR --seconds N [--jobs J] [--fresh]
                           [--gtest_output=xml:REPORT] TARGET...

Each target (the program DIR/fuzz_TARGET) starts from its seeds in fuzz/corpus/TARGET, copied
into a working corpus WORK/TARGET/corpus so that the repository is never written to, with its
dictionary fuzz/dict/TARGET.dict. --fresh empties the working corpus first; without it what
earlier runs found is kept and built on. A run fails when libFuzzer reports anything: a crash, a
broken property, a sanitizer's report, a leak, an input slower than the time-out, more memory
than the limit. Such an input is kept in WORK/TARGET/artifacts and its path printed. One line per
target tells the executions and the outcome; the exit status is 1 when any run failed. The report
has GoogleTest's XML form (suite "Fuzz", one case per target) so that the test summary counts it.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time
from xml.sax.saxutils import quoteattr

FUZZ_DIR = os.path.dirname(os.path.abspath(__file__))

# One input may take this long, and the process this much memory, before the run counts as failed.
INPUT_TIMEOUT_SECONDS = 10
RSS_LIMIT_MB = 2048


class Run:
    def __init__(self, name, args):
        self.name = name
        self.work = os.path.join(args.work, name)
        self.corpus = os.path.join(self.work, "corpus")
        self.artifacts = os.path.join(self.work, "artifacts") + os.sep
        self.log_path = os.path.join(self.work, "log.txt")
        if args.fresh:
            shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.corpus, exist_ok=True)
        os.makedirs(self.artifacts, exist_ok=True)
        seeds = os.path.join(FUZZ_DIR, "corpus", name)
        if os.path.isdir(seeds):
            for seed in os.listdir(seeds):
                shutil.copyfile(os.path.join(seeds, seed), os.path.join(self.corpus, seed))
        command = [os.path.join(args.bin, "fuzz_" + name), self.corpus,
                   f"-max_total_time={args.seconds}", f"-timeout={INPUT_TIMEOUT_SECONDS}",
                   f"-rss_limit_mb={RSS_LIMIT_MB}", f"-artifact_prefix={self.artifacts}",
                   "-print_final_stats=1"]
        dictionary = os.path.join(FUZZ_DIR, "dict", name + ".dict")
        if os.path.exists(dictionary):
            command.append(f"-dict={dictionary}")
        self.command = command
        self.process = None
        self.started = 0.0
        self.seconds = 0.0
        self.executions = None
        self.failure = ""
        self.log_tail = ""

    def start(self):
        self.started = time.monotonic()
        with open(self.log_path, "w", encoding="utf-8") as log:
            log.write(" ".join(self.command) + "\n")
            log.flush()
            self.process = subprocess.Popen(self.command, stdout=log, stderr=subprocess.STDOUT)

    def finish(self):
        status = self.process.wait()
        self.seconds = time.monotonic() - self.started
        with open(self.log_path, encoding="utf-8", errors="replace") as log:
            text = log.read()
        executions = re.findall(r"stat::number_of_executed_units:\s*(\d+)", text)
        if not executions:
            # A run that stopped early prints no final statistics; its last status line counts.
            executions = re.findall(r"^#(\d+)\s", text, re.MULTILINE)
        self.executions = int(executions[-1]) if executions else None
        if status != 0:
            saved = re.findall(r"Test unit written to (\S+)", text)
            reason = self.reason(text, status)
            self.failure = reason + (f"; input kept in {saved[-1]}" if saved else "") + \
                f"; log in {self.log_path}"
            self.log_tail = "\n".join(text.splitlines()[-60:])

    @staticmethod
    def reason(text, status):
        for pattern, what in ((r"fuzz property broken: (.*)", "property broken: {}"),
                              (r"ERROR: libFuzzer: timeout", "an input ran over the time-out"),
                              (r"ERROR: libFuzzer: out-of-memory", "out of memory"),
                              (r"ERROR: LeakSanitizer", "memory leak"),
                              (r"ERROR: AddressSanitizer: (\S+)", "AddressSanitizer: {}"),
                              (r"runtime error: (.*)", "undefined behaviour: {}"),
                              (r"ERROR: libFuzzer: (.*)", "libFuzzer: {}")):
            found = re.search(pattern, text)
            if found:
                return what.format(*found.groups())
        return f"the fuzzer ended with status {status}"


def write_report(path, runs):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<testsuites>", '<testsuite name="Fuzz">']
    for run in runs:
        lines.append(f'<testcase name={quoteattr(run.name)} classname="Fuzz" status="run" '
                     f'result="completed" time="{run.seconds:.3f}">')
        if run.failure:
            lines.append(f"<failure message={quoteattr(run.failure)}>{quoteattr(run.log_tail)[1:-1]}</failure>")
        lines.append("</testcase>")
    lines += ["</testsuite>", "</testsuites>"]
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w", encoding="utf-8") as report:
        report.write("\n".join(lines) + "\n")


def main(arguments):
    parser = argparse.ArgumentParser(usage=__doc__.strip().splitlines()[2])
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--seconds", type=int, required=True)
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--fresh", action="store_true")
    parser.add_argument("--gtest_output", default="")
    parser.add_argument("targets", nargs="+")
    args = parser.parse_args(arguments)

    runs = [Run(name, args) for name in args.targets]
    waiting = list(runs)
    running = []
    while waiting or running:
        while waiting and len(running) < max(args.jobs, 1):
            run = waiting.pop(0)
            run.start()
            running.append(run)
        # The runs of one batch were given the same time: wait for the oldest first.
        run = running.pop(0)
        run.finish()
        executions = "?" if run.executions is None else str(run.executions)
        outcome = "FAILED: " + run.failure if run.failure else "ok"
        print(f"fuzz {run.name}: {executions} executions in {run.seconds:.1f} s, {outcome}", flush=True)

    if args.gtest_output.startswith("xml:"):
        write_report(args.gtest_output[len("xml:"):], runs)
    return 1 if any(run.failure for run in runs) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
