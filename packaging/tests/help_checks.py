#!/usr/bin/env python3
"""Checks the compiled help file as its readers meet it, and the licence terms beside it.

usage: help_checks.py ZENTRIM_CHM [--gtest_output=xml:REPORT]

Opens the help file with extract_chmLib (Debian's libchm-bin) and renders every page at the help
window's width (480 pixels of page) in headless Chromium (Debian's chromium): a page wider than
that, or with a part that scrolls sideways, fails. Also: every page is in the contents, the
administrators' and keyboard topics are in the contents and the index, the settings page says
for each value that several rows write which row wins, and the licence terms name every program
the installer packages install.
"""

import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from gtest_report import run_cases

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HELP_FILE = None

# The width of the page in the help window's topic pane.
PAGE_WIDTH = 480

# Measures each page in a frame of the page width: the document's width beside the frame's, the
# innermost elements that reach past the right edge, and the parts that scroll sideways on their
# own. Writes one JSON document into the element "results" when every frame has loaded.
CHECK_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"></head><body>
<pre id="results"></pre>
<script>
const pages = %(pages)s;
const found = {};
let left = pages.length;
// Whether an element's box, or text that overflows it, reaches past the right edge.
function reaches(element, edge) {
  const box = element.getBoundingClientRect();
  return Math.max(box.right, box.left + element.scrollWidth) > edge + 0.5;
}
function measure(frame) {
  const view = frame.contentWindow;
  const root = frame.contentDocument.documentElement;
  const edge = root.clientWidth;
  const beyond = [], scrolling = [];
  for (const element of frame.contentDocument.body.querySelectorAll("*")) {
    const text = (element.tagName + " " + (element.textContent || "").trim()).slice(0, 70);
    const overflow = view.getComputedStyle(element).overflowX;
    if ((overflow === "auto" || overflow === "scroll") && element.scrollWidth > element.clientWidth) {
      scrolling.push(text);
    }
    if (reaches(element, edge) && !Array.from(element.children).some(child => reaches(child, edge))) {
      beyond.push(text);
    }
  }
  return {scrollWidth: root.scrollWidth, clientWidth: edge, title: frame.contentDocument.title,
          beyond: beyond.slice(0, 3), scrolling: scrolling.slice(0, 3)};
}
function done(page, result) {
  found[page] = result;
  if (--left === 0) {
    document.getElementById("results").textContent = JSON.stringify(found);
  }
}
for (const page of pages) {
  const frame = document.createElement("iframe");
  frame.style.cssText = "width:%(width)dpx;height:800px;border:0;display:block";
  frame.onload = () => {
    try { done(page, measure(frame)); } catch (error) { done(page, {error: String(error)}); }
  };
  frame.src = page;
  document.body.appendChild(frame);
}
</script></body></html>
"""


def chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


def render(test, folder, pages):
    """Page (a path relative to `folder`) -> its measurements at the page width; fails the test
    when Chromium is missing or gives no measurements."""
    browser = chromium()
    if browser is None:
        test.fail("chromium is not installed (Debian package chromium; scripts/setup installs it): "
                  "the pages cannot be rendered")
    check = os.path.join(folder, "width-check.htm")
    with open(check, "w", encoding="utf-8") as file:
        file.write(CHECK_PAGE % {"pages": json.dumps(pages), "width": PAGE_WIDTH})
    with tempfile.TemporaryDirectory() as profile:
        # The pages are local files: the check page reads its frames' documents, which Chromium
        # allows between files only with --allow-file-access-from-files. No sandbox: the pages
        # are our own, and the sandbox cannot start for root.
        result = subprocess.run(
            [browser, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--allow-file-access-from-files", f"--user-data-dir={profile}", "--virtual-time-budget=20000",
             "--dump-dom", "file://" + check],
            capture_output=True, text=True, timeout=60)
    found = re.search(r'<pre id="results">(.*?)</pre>', result.stdout, re.S)
    if found is None or not found.group(1):
        test.fail(f"chromium gave no measurements (exit code {result.returncode}):\n{result.stderr[-2000:]}")
    return json.loads(html.unescape(found.group(1)))


def width_fault(measured):
    """What is too wide on a measured page; empty when it reads at the page width."""
    if "error" in measured:
        return "could not be measured: " + measured["error"]
    faults = []
    if measured["scrollWidth"] > measured["clientWidth"]:
        faults.append(f"{measured['scrollWidth']} pixels wide in {measured['clientWidth']}, "
                      f"past the edge: {measured['beyond']}")
    if measured["scrolling"]:
        faults.append(f"parts scroll sideways: {measured['scrolling']}")
    return "; ".join(faults)


def sitemap_entries(text):
    """(name, local page) of each entry of a contents or index file."""
    entries = []
    for item in re.findall(r'<OBJECT type="text/sitemap">(.*?)</OBJECT>', text, re.S):
        name = re.search(r'<param name="Name" value="([^"]*)">', item)
        local = re.search(r'<param name="Local" value="([^"]*)">', item)
        entries.append((name.group(1) if name else "", local.group(1) if local else ""))
    return entries


def plain(fragment):
    return html.unescape(re.sub(r"<[^>]+>", "", fragment)).strip()


class HelpFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        subprocess.run(["extract_chmLib", HELP_FILE, cls.folder.name], check=True, capture_output=True)
        cls.pages = sorted("html/" + name for name in os.listdir(os.path.join(cls.folder.name, "html"))
                           if name.endswith(".htm"))

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def read(self, name):
        with open(os.path.join(self.folder.name, name), encoding="utf-8") as file:
            return file.read()

    def test_every_page_reads_at_the_help_windows_width(self):
        measured = render(self, self.folder.name, self.pages)
        for page in self.pages:
            with self.subTest(page=page):
                self.assertIn(page, measured)
                self.assertEqual(width_fault(measured[page]), "", page)
                self.assertTrue(measured[page]["title"], f"{page} has no title")
        self.assertGreaterEqual(len(self.pages), 10, "pages are missing from the help file")

    def test_every_page_is_in_the_contents_and_the_new_topics_also_in_the_index(self):
        contents = {local for _, local in sitemap_entries(self.read("toc.hhc"))}
        index = sitemap_entries(self.read("index.hhk"))
        self.assertEqual(sorted(contents), self.pages, "the contents and the pages of the help file differ")
        # The topics for administrators and keyboard users, and an index word that finds each.
        for page, word in (("html/console.htm", "ZentrimCmd.exe"), ("html/console.htm", "Exit codes"),
                           ("html/install.htm", "Uninstalling"), ("html/install.htm", "Upgrading"),
                           ("html/keyboard.htm", "Keyboard"), ("html/keyboard.htm", "F1")):
            with self.subTest(page=page, word=word):
                self.assertTrue((word, page) in index, f"no index entry \"{word}\" for {page}")

    def test_the_console_topic_covers_the_commands_the_exit_codes_and_undoing(self):
        text = self.read("html/console.htm")
        for command in ("status", "plan", "optimize", "restore", "export-undo"):
            self.assertRegex(text, rf"<dt>{command}\b", command)
        for option in ("--os", "--cpu", "--internet", "--speed", "--restart", "--json", "--registry", "--arch",
                       "--verbose", "--version", "/?", "-?", "-h", '"command": "error"', "letter case", "CR LF"):
            self.assertIn(option, text)
        self.assertEqual(re.findall(r"<tr><td>(\d)</td>", text), ["0", "1", "2", "3", "4", "5"])
        self.assertIn("reg import", text)
        self.assertIn('id="undo"', text)

    def test_the_settings_page_says_which_row_wins_where_rows_write_one_value(self):
        page = self.read("html/settings.htm")
        blocks = re.findall(r'<div class="setting" id="row(\d+)">(.*?)</div>', page, re.S)
        self.assertEqual(sorted(int(number) for number, _ in blocks), list(range(1, 48)))
        values = {}
        for number, block in blocks:
            with self.subTest(row=number):
                self.assertIn(f'<tr class="row"><td>{number}</td>', block)
                name = plain(re.search(r"<h3><b>(.*?)</b>", block).group(1))
                place = plain(re.search(r'<span class="place">(.*?)</span>', block).group(1))
                paragraphs = [plain(p) for p in re.findall(r"<p>(.*?)</p>", block, re.S)]
                self.assertTrue(paragraphs[0].startswith("Written: "), paragraphs)
                self.assertTrue(len(paragraphs) > 1 and paragraphs[1], "no description")
                # The registry names keys and values without regard to case.
                values.setdefault((place.lower(), name.lower()), []).append((int(number), block))
        repeated = {name: [number for number, _ in rows] for (_, name), rows in values.items() if len(rows) > 1}
        # Rows 8 and 30 write KeepAliveTime (300000, then 7200000), both always; rows 6 and 37
        # write EnablePMTUDiscovery (0 always, then 1 for every internet type but dial-up and ISDN).
        winners = {
            "keepalivetime": ([8, 30], [r"Row 30 wins whatever the choices: the value ends as REG_DWORD 7200000\.",
                                        r"Row 8 .*REG_DWORD 300000 never lasts"]),
            "enablepmtudiscovery": ([6, 37], [r"Row 37 wins where it is written \(every internet type but dial-up "
                                              r"and ISDN\): the value ends as REG_DWORD 1\.",
                                              r"With dial-up and ISDN, row 6 wins: the value ends as REG_DWORD 0\."]),
        }
        self.assertEqual(repeated, {name: rows for name, (rows, _) in winners.items()})
        for (_, name), rows in values.items():
            for number, block in rows:
                with self.subTest(value=name, row=number):
                    note = re.search(r'<p class="repeated">(.*?)</p>', block, re.S)
                    if name not in winners:
                        self.assertIsNone(note)
                        continue
                    self.assertIsNotNone(note)
                    for statement in winners[name][1]:
                        self.assertRegex(plain(note.group(1)), statement)


class WidthCheck(unittest.TestCase):
    def test_a_page_wider_than_the_window_or_scrolling_sideways_is_caught(self):
        pages = {
            "fits.htm": "<p>" + "word " * 400 + "</p><table><tr><td>a</td><td>b</td></tr></table>",
            "wide-table.htm": "<table><tr>" + "<td>REG_DWORD&nbsp;7200000</td>" * 8 + "</tr></table>",
            "long-path.htm": "<p>HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters"
                             "\\Interfaces\\ThatGoesOn</p>",
            "scrolling-code.htm": "<pre style=\"overflow:auto\">" + "x" * 200 + "</pre>",
        }
        with tempfile.TemporaryDirectory() as folder:
            for name, body in pages.items():
                with open(os.path.join(folder, name), "w", encoding="utf-8") as file:
                    file.write(f"<!DOCTYPE html><html><head><title>{name}</title></head><body>{body}</body></html>")
            measured = render(self, folder, sorted(pages) + ["missing.htm"])
        self.assertEqual(width_fault(measured["fits.htm"]), "")
        self.assertIn("pixels wide in 480", width_fault(measured["wide-table.htm"]))
        self.assertIn("past the edge: ['P HKEY_LOCAL_MACHINE", width_fault(measured["long-path.htm"]))
        self.assertIn("parts scroll sideways: ['PRE xxx", width_fault(measured["scrolling-code.htm"]))
        self.assertIn("could not be measured", width_fault(measured["missing.htm"]))


class LicenceTerms(unittest.TestCase):
    def test_the_terms_name_every_program_the_packages_install(self):
        with open(os.path.join(ROOT, "packaging", "msi", "Zentrim.wxs"), encoding="utf-8") as file:
            programs = set(re.findall(r'<File [^>]*Name="([^"]+\.exe)"', file.read()))
        self.assertGreaterEqual(programs, {"Zentrim.exe", "ZentrimUpdate.exe", "ZentrimCmd.exe"})
        with open(os.path.join(ROOT, "resources", "license", "License.rtf"), encoding="ascii") as file:
            terms = file.read()
        # The first section says what "the software" is.
        definition = terms[terms.index("1. Who these terms are between"):terms.index("2. What you may do")]
        for program in sorted(programs):
            with self.subTest(program=program):
                self.assertIn(program, definition)


def main(arguments):
    global HELP_FILE
    report_path = None
    files = []
    for argument in arguments:
        if argument.startswith("--gtest_output=xml:"):
            report_path = argument[len("--gtest_output=xml:"):]
        else:
            files.append(argument)
    if len(files) != 1:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    HELP_FILE = os.path.abspath(files[0])
    return run_cases((HelpFile, WidthCheck, LicenceTerms), report_path, "help checks")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
