#!/usr/bin/env python3
"""Checks the update site as nginx serves it: scripts/serve-updates on a free loopback port, with a
prefix of the test's own, over an update folder the test writes (a release 2.10.22.0). The check's
answers, the files byte for byte, HEAD, byte ranges, refused names and methods, slow clients, the
check's rate limit, and the answer once the manifest has expired or is missing.

usage: update_site_checks.py [--gtest_output=xml:REPORT]

The report has GoogleTest's XML form, so that the test summary counts these cases with the others.
Every connection goes to 127.0.0.1, and every wait is bounded.
"""

import os
import random
import re
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from gtest_report import run_cases

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "update"))
import update_site  # noqa: E402  (the generator of the server block, beside the template)

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SERVE = os.path.join(ROOT, "scripts", "serve-updates")

# The release of the test folder, written out here; 2.10.22.0 is newer than the program's own.
PACKAGE_X64 = "Zentrim-2.10.22.0-x64.msi"
PACKAGE_X86 = "Zentrim-2.10.22.0-x86.msi"


def pattern(size, seed):
    return bytes((index * 131 + seed + index // 251) & 0xFF for index in range(size))


def manifest(expires):
    return (f"ZENTRIM-UPDATE-MANIFEST 2\nproduct zentrim\nversion 2.10.22.0\nexpires {expires}\n"
            f"package x86 {PACKAGE_X86} 70001 {'a' * 64}\npackage x64 {PACKAGE_X64} 300007 {'b' * 64}\n").encode()


FILES = {
    "manifest.txt": manifest("2099-12-31T23:59:59Z"),
    "manifest.sig": pattern(64, 7),
    PACKAGE_X86: pattern(70001, 2),
    PACKAGE_X64: pattern(300007, 1),
}


def write(path, data):
    with open(path, "wb") as file:
        file.write(data)


class Reply:
    def __init__(self, status, headers, body):
        self.status, self.headers, self.body = status, headers, body

    def header(self, name):
        return self.headers.get(name.lower(), "")


def parse_reply(received):
    head, _, body = received.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    if not lines[0].startswith("HTTP/1.1 "):
        return Reply(0, {}, b"")
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return Reply(int(lines[0][9:12]), headers, body)


def complete(received, head_only):
    """Whether `received` holds a whole reply: its head, and as many body bytes as it announces."""
    if b"\r\n\r\n" not in received:
        return False
    reply = parse_reply(received)
    if head_only or reply.status in (204, 304):
        return True
    length = reply.header("Content-Length")
    return length.isdigit() and len(reply.body) >= int(length)


def exchange(port, request, timeout=5.0):
    """Sends `request` (bytes) as it stands on a connection of its own and reads one reply (until
    the server closes the connection, which the requests ask for, or the reply is whole); status 0
    when there is no reply."""
    head_only = request.startswith(b"HEAD ")
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as connection:
        try:
            connection.sendall(request)
        except OSError:
            pass  # the server may answer and close before taking everything
        received = b""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and not complete(received, head_only):
            try:
                chunk = connection.recv(65536)
            except OSError:
                break
            if not chunk:
                break
            received += chunk
    return parse_reply(received)


def request(method, target, headers="", body=b""):
    return (f"{method} {target} HTTP/1.1\r\nHost: update.orvane.com\r\nConnection: close\r\n{headers}\r\n"
            .encode("latin-1") + body)


class Site:
    """scripts/serve-updates over `folder` on a free port, with its prefix in `prefix`."""

    def __init__(self, folder, prefix):
        self.process = subprocess.Popen([SERVE, "--port", "0", "--prefix", prefix, folder], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
        self.port = 0
        ready, _, _ = select.select([self.process.stdout], [], [], 15)
        line = self.process.stdout.readline() if ready else ""
        if not line.startswith("listening on 127.0.0.1:"):
            self.stop()
            raise RuntimeError(f"serve-updates did not start: {line!r} {self.process.stderr.read()}")
        self.port = int(line.strip().rsplit(":", 1)[1])

    def get(self, target, headers=""):
        return exchange(self.port, request("GET", target, headers))

    def check(self, query):
        return self.get("/downloads/update/?" + query)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()
        self.process.stderr.close()


def release_folder(place, files=None):
    """An update folder in `place`, with a file beside it that must never be served."""
    folder = os.path.join(place, "update")
    os.makedirs(folder)
    for name, data in (FILES if files is None else files).items():
        write(os.path.join(folder, name), data)
    write(os.path.join(place, "outside.msi"), b"not to be served")
    return folder


def expected_answer(query, release):
    """The check's answer as the service's table states it, written out again: "bad" for a query
    without or with a repeated product or version; another product, or a version that is not 1 to 4
    parts of 1 to 5 digits each at most 65535, is newer; else the version against the release."""
    fields = [field.partition("=") for field in query.split("&") if field]
    names = [name for name, _, _ in fields]
    if names.count("product") != 1 or names.count("version") != 1:
        return "bad"
    values = {name: value for name, _, value in fields if name in ("product", "version")}
    if values["product"] != "zentrim":
        return "ORVANE|2"
    parts = values["version"].split(".")
    if not 1 <= len(parts) <= 4 or not all(re.fullmatch("[0-9]{1,5}", part) and int(part) <= 65535
                                           for part in parts):
        return "ORVANE|2"
    asked = [int(part) for part in parts] + [0] * (4 - len(parts))
    return "ORVANE|1" if asked < release else "ORVANE|0" if asked == release else "ORVANE|2"


def map_entries(block, variable):
    """The entries of the block's map into `variable`, in order: (regex or exact text, value)."""
    body = re.search(r"^map \S+ \$" + variable + r" \{\n(.*?)^\}", block, re.M | re.S).group(1)
    entries = []
    for line in body.splitlines():
        found = re.fullmatch(r'\s*(default|"[^"]*")\s+("[^"]*"|\S+);', line)
        if found:
            key, value = found.group(1), found.group(2).strip('"')
            entries.append((None if key == "default" else key[1:-1], value))
    return entries


def map_value(entries, text):
    """What nginx's map gives for `text`: an exact key first, then the first regex that matches."""
    for key, value in entries:
        if key is not None and not key.startswith("~") and key == text:
            return value
    for key, value in entries:
        if key is not None and key.startswith("~") and re.search(key[1:], text):
            return value
    return dict(entries).get(None, "")


class CheckTable(unittest.TestCase):
    """The generated check table itself, for releases at the edges of the version range, against
    the answers written out again (nginx's map, evaluated here with the same regular expressions)."""

    def block(self, version, expires="2099-12-31T23:59:59Z"):
        place = tempfile.mkdtemp(prefix="zentrim-update-table-")
        try:
            path = os.path.join(place, "manifest.txt")
            write(path, (f"ZENTRIM-UPDATE-MANIFEST 2\nproduct zentrim\nversion {version}\nexpires {expires}\n"
                         f"package x64 {PACKAGE_X64} 1 {'b' * 64}\n").encode())
            return update_site.server_block({"manifest": path, "root": place, "listen": ["127.0.0.1:1"],
                                             "server_name": "update.test", "allow_no_release": False})
        finally:
            shutil.rmtree(place, ignore_errors=True)

    def test_answers_match_the_table_for_releases_at_the_edges(self):
        shuffled = random.Random(25)
        for release in ([2, 10, 22, 0], [0, 0, 0, 0], [0, 0, 0, 1], [1, 0, 0, 0], [10, 99, 100, 9999],
                        [65535, 65535, 65535, 65535], [3, 0, 65535, 0]):
            entries = map_entries(self.block(".".join(map(str, release))), "zentrim_update_answer")
            # Each part near the release's, at the ends of the range and past it, also with leading
            # zeros (5 digits count, 6 do not) or not a number at all.
            near = [sorted({0, 1, 9, 10, 65535, 65536, 99999, part, part + 1, max(part - 1, 0)}) for part in release]
            versions = set()
            for _ in range(2500):
                count = shuffled.randint(1, 5)
                texts = []
                for index in range(count):
                    value = shuffled.choice(near[min(index, 3)])
                    form = shuffled.randint(0, 9)
                    texts.append(f"{value:05d}" if form == 0 else f"0{value}" if form == 1 else
                                 "x" if form == 2 and shuffled.randint(0, 9) == 0 else str(value))
                versions.add(".".join(texts))
            versions |= {"", ".", "2.", ".2", "2..10", "+2", " 2", "2%2E10", ".".join(map(str, release))}
            queries = [f"product=zentrim&version={version}" for version in sorted(versions)]
            queries += [f"version={version}&product=zentrim" for version in sorted(versions)[:200]]
            queries += ["", "&", "product=zentrim", "version=1", "product=zentrim&version=1&version=1",
                        "product&product=zentrim&version=1", "xproduct=zentrim&version=1",
                        "product=zentrimx&version=1", "product=zentrim&version=1&x=version=2", "product=zentrim&&version=1",
                        "product=zentrim&version=1=2", "product=zentrim&xversion=0"]
            for query in queries:
                with self.subTest(release=release, query=query):
                    self.assertEqual(map_value(entries, query), expected_answer(query, release))

    def test_the_check_counts_as_current_up_to_the_manifests_expiry(self):
        for expires, seconds in (("2099-12-31T23:59:59Z", 4102444799), ("2027-01-09T12:00:00Z", 1799496000),
                                 ("1970-01-01T00:00:09Z", 9), ("1970-01-01T00:00:10Z", 10),
                                 ("2286-11-20T17:46:39Z", 9999999999)):
            entries = map_entries(self.block("2.10.22.0", expires), "zentrim_update_current")
            for now in sorted({0, 1, 9, 10, 11, 99, 100, seconds - 1, seconds, seconds + 1, seconds * 10,
                               10 ** len(str(seconds)) - 1, 10 ** len(str(seconds))}):
                if now < 0:
                    continue
                with self.subTest(expires=expires, now=now):
                    self.assertEqual(map_value(entries, f"{now}.250"), "1" if now <= seconds else "0")


class UpdateSite(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.place = tempfile.mkdtemp(prefix="zentrim-update-site-")
        folder = release_folder(cls.place)
        os.makedirs(os.path.join(folder, "sub"))
        write(os.path.join(folder, "sub", "inner.msi"), b"not to be served")
        os.makedirs(os.path.join(folder, "folder.msi"))
        write(os.path.join(folder, "notes.txt"), b"not to be served")
        write(os.path.join(folder, ".hidden.msi"), b"not to be served")
        os.symlink(os.path.join(cls.place, "outside.msi"), os.path.join(folder, "link-out.msi"))
        os.symlink("../outside.msi", os.path.join(folder, "relative-link-out.msi"))
        os.symlink(cls.place, os.path.join(folder, "up"))
        cls.site = Site(folder, os.path.join(cls.place, "nginx"))

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()
        shutil.rmtree(cls.place, ignore_errors=True)

    def test_check_answers_for_older_same_and_newer_versions_and_refuses_bad_queries(self):
        # The release is 2.10.22.0; versions compare part by part as numbers, missing parts are 0.
        # Kept below the check's burst of 50 requests, which the rate test takes on a site of its own.
        cases = [
            ("product=zentrim&version=2.10.21.2024", 200, b"ORVANE|1"),
            ("product=zentrim&version=2.9", 200, b"ORVANE|1"),
            ("product=zentrim&version=2.10.21.65535", 200, b"ORVANE|1"),
            ("product=zentrim&version=2.10", 200, b"ORVANE|1"),
            ("product=zentrim&version=0", 200, b"ORVANE|1"),
            ("product=zentrim&version=02.010.0021.2024", 200, b"ORVANE|1"),
            ("product=zentrim&version=2.10.22.0", 200, b"ORVANE|0"),
            ("product=zentrim&version=2.10.22", 200, b"ORVANE|0"),
            ("version=00002.10.22.0&product=zentrim", 200, b"ORVANE|0"),
            ("product=zentrim&version=2.10.22.1", 200, b"ORVANE|2"),
            ("product=zentrim&version=2.11", 200, b"ORVANE|2"),
            ("product=zentrim&version=10.0", 200, b"ORVANE|2"),
            ("product=zentrim&version=65535.65535.65535.65535", 200, b"ORVANE|2"),
            # Another product: names compare exactly.
            ("product=Zentrim&version=2.10.21.2024", 200, b"ORVANE|2"),
            ("product=other&version=2.10.21.2024", 200, b"ORVANE|2"),
            ("product=&version=2.10.21.2024", 200, b"ORVANE|2"),
            ("product&version=2.10.21.2024", 200, b"ORVANE|2"),
            # Malformed versions, and values taken as sent, never decoded.
            ("product=zentrim&version=", 200, b"ORVANE|2"),
            ("product=zentrim&version=2.10.21.2024.1", 200, b"ORVANE|2"),
            ("product=zentrim&version=2.10.x", 200, b"ORVANE|2"),
            ("product=zentrim&version=2..10", 200, b"ORVANE|2"),
            ("product=zentrim&version=-1", 200, b"ORVANE|2"),
            ("product=zentrim&version=65536", 200, b"ORVANE|2"),
            ("product=zentrim&version=000002", 200, b"ORVANE|2"),
            ("product=zentrim&version=2%2E10", 200, b"ORVANE|2"),
            ("product=zent%72im&version=2.10", 200, b"ORVANE|2"),
            # Without, or with a repeated, product or version.
            ("", 400, None),
            ("product=zentrim", 400, None),
            ("version=2.10.21.2024", 400, None),
            ("product=zentrim&versions=2.10", 400, None),
            ("product=zentrim&version=2.10&version=2.12", 400, None),
            ("product=zentrim&version=2.10&version", 400, None),
            ("product=zentrim&product=zentrim&version=2.10", 400, None),
            ("product=other&version=2.10&product=zentrim", 400, None),
        ]
        for query, status, answer in cases:
            with self.subTest(query=query):
                reply = self.site.check(query)
                self.assertEqual(reply.status, status)
                if answer is None:
                    self.assertNotIn(b"ORVANE", reply.body)
                else:
                    self.assertEqual(reply.body, answer)
                    self.assertEqual(reply.header("Content-Type"), "text/plain")
                    self.assertEqual(reply.header("Cache-Control"), "public, max-age=60")
        head = exchange(self.site.port, request("HEAD", "/downloads/update/?product=zentrim&version=2.10"))
        self.assertEqual((head.status, head.header("Content-Length"), head.body), (200, "8", b""))
        # The check's path exactly as sent.
        for target in ("/downloads/update/./?product=zentrim&version=2.10",
                       "/downloads//update/?product=zentrim&version=2.10",
                       "/downloads/update/%3Fproduct=zentrim&version=2.10"):
            with self.subTest(target=target):
                self.assertEqual(self.site.get(target).status, 404)

    def test_serves_manifest_signature_and_packages_byte_for_byte_with_validators(self):
        for name, data, kind, cache in (
                ("manifest.txt", FILES["manifest.txt"], "text/plain", "public, max-age=60"),
                ("manifest.sig", FILES["manifest.sig"], "application/octet-stream", "public, max-age=60"),
                (PACKAGE_X86, FILES[PACKAGE_X86], "application/x-msi", "public, max-age=2592000"),
                (PACKAGE_X64, FILES[PACKAGE_X64], "application/x-msi", "public, max-age=2592000")):
            with self.subTest(name=name):
                target = "/downloads/update/" + name
                reply = self.site.get(target)
                self.assertEqual(reply.status, 200)
                self.assertTrue(reply.body == data, f"{len(reply.body)} bytes")
                self.assertEqual(reply.header("Content-Length"), str(len(data)))
                self.assertEqual(reply.header("Content-Type"), kind)
                self.assertEqual(reply.header("Cache-Control"), cache)
                self.assertEqual(reply.header("Accept-Ranges"), "bytes")
                self.assertTrue(reply.header("ETag") and reply.header("Last-Modified"), reply.headers)

                head = exchange(self.site.port, request("HEAD", target))
                self.assertEqual((head.status, head.body), (200, b""))
                self.assertEqual(head.header("Content-Length"), str(len(data)))
                self.assertEqual(head.header("ETag"), reply.header("ETag"))
                # A cache that holds the file asks again with its validators and gets no body.
                self.assertEqual(self.site.get(target, f"If-None-Match: {reply.header('ETag')}\r\n").status, 304)
                self.assertEqual(
                    self.site.get(target, f"If-Modified-Since: {reply.header('Last-Modified')}\r\n").status, 304)
        # A query after a file name changes nothing.
        self.assertTrue(self.site.get("/downloads/update/manifest.txt?at=1").body == FILES["manifest.txt"])

    def test_byte_ranges_give_206_with_the_bytes_asked_and_416_past_the_end(self):
        data = FILES[PACKAGE_X64]
        size = len(data)
        target = "/downloads/update/" + PACKAGE_X64
        for asked, first, last in (("0-9", 0, 9), ("-5", size - 5, size - 1), (f"{size - 10}-{size + 100}", size - 10,
                                                                                  size - 1), (f"{size - 1}-", size - 1,
                                                                                              size - 1)):
            with self.subTest(range=asked):
                reply = self.site.get(target, f"Range: bytes={asked}\r\n")
                self.assertEqual(reply.status, 206)
                self.assertEqual(reply.header("Content-Range"), f"bytes {first}-{last}/{size}")
                self.assertEqual(reply.header("Content-Length"), str(last - first + 1))
                self.assertTrue(reply.body == data[first:last + 1], f"{len(reply.body)} bytes")
                # No cache keeps a part as if it were the whole.
                self.assertEqual(reply.header("Cache-Control"), "")
        for asked in (f"{size}-", f"{size + 5}-{size + 10}"):
            with self.subTest(range=asked):
                reply = self.site.get(target, f"Range: bytes={asked}\r\n")
                self.assertEqual(reply.status, 416)
                self.assertEqual(reply.header("Content-Range"), f"bytes */{size}")
                self.assertEqual(reply.header("Cache-Control"), "")
                self.assertNotIn(data[:16], reply.body)
        # Several ranges in one request would multiply its cost: the whole file is served instead.
        whole = self.site.get(target, "Range: bytes=0-0,5-5,9-9\r\n")
        self.assertEqual(whole.status, 200)
        self.assertTrue(whole.body == data)

    def test_names_outside_the_folder_encoded_or_not_served_are_not_found(self):
        outside = os.path.join(self.place, "outside.msi")
        targets = [
            "/downloads/update/../outside.msi",
            "/downloads/update/../update/manifest.txt",
            "/downloads/update/%2e%2e%2foutside.msi",
            "/downloads/update/..%2foutside.msi",
            "/downloads/update/%2e%2e/outside.msi",
            "/downloads/update/..%5coutside.msi",
            "/downloads/update/./manifest.txt",
            "/downloads/update//manifest.txt",
            "/downloads//update/manifest.txt",
            "/downloads/x/../update/manifest.txt",
            "/downloads/update/manifest%2etxt",
            "/downloads/update/manifest.txt%00",
            "/downloads/update/%6danifest.txt",
            "/downloads/update/" + outside,
            "/downloads/update/%2F" + outside[1:],
            "/downloads/update/sub/inner.msi",
            "/downloads/update/sub%2finner.msi",
            "/downloads/update/sub",
            "/downloads/update/folder.msi",
            "/downloads/update/up/outside.msi",
            "/downloads/update/link-out.msi",
            "/downloads/update/relative-link-out.msi",
            "/downloads/update/notes.txt",
            "/downloads/update/.hidden.msi",
            "/downloads/update/unknown.msi",
            "/downloads/update/Manifest.txt",
            f"/downloads/update/{PACKAGE_X64}/",
            "/downloads/update",
            "/downloads/",
            "/",
            "/DOWNLOADS/update/manifest.txt",
            "/" + PACKAGE_X64,
            "/update/manifest.txt",
            "/outside.msi",
        ]
        for target in targets:
            with self.subTest(target=target):
                reply = self.site.get(target)
                # nginx refuses an encoded NUL byte in a path outright.
                self.assertEqual(reply.status, 400 if "%00" in target else 404)
                self.assertNotIn(b"not to be served", reply.body)
                self.assertNotIn(b"ZENTRIM-UPDATE-MANIFEST", reply.body)

    def test_other_methods_are_not_allowed_and_bodies_are_refused(self):
        for method in ("POST", "PUT", "DELETE", "OPTIONS", "PATCH", "PROPFIND"):
            for target in ("/downloads/update/manifest.txt", "/downloads/update/?product=zentrim&version=2.10",
                           "/elsewhere"):
                with self.subTest(method=method, target=target):
                    reply = exchange(self.site.port, request(method, target, "Content-Length: 5\r\n", b"hello"))
                    self.assertEqual(reply.status, 405)
                    self.assertEqual(reply.header("Allow"), "GET, HEAD")
                    self.assertNotIn(b"ZENTRIM-UPDATE-MANIFEST", reply.body)
                    self.assertNotIn(b"ORVANE", reply.body)
        self.assertEqual(self.site.get("/downloads/update/manifest.txt", "Content-Length: 2000\r\n").status, 413)
        # A request target over 2 KiB, or a head over its buffers, is refused before anything is served.
        self.assertEqual(self.site.check("product=zentrim&version=" + "1" * 3000).status, 414)
        filler = "".join(f"X-Filler-{index}: {'f' * 60}\r\n" for index in range(200))
        self.assertEqual(self.site.get("/downloads/update/manifest.txt", filler).status, 400)

    def test_slow_clients_neither_delay_a_check_nor_stay_past_the_head_time_limit(self):
        # 40 clients that each send one byte of a request head per second.
        head = request("GET", "/downloads/update/?product=zentrim&version=2.10.21.2024")
        slow = []
        for _ in range(40):
            connection = socket.create_connection(("127.0.0.1", self.site.port), timeout=5)
            connection.setblocking(False)
            slow.append(connection)
        opened = time.monotonic()
        closed_after = {}
        stop = threading.Event()

        def trickle():
            sent = 0
            while not stop.is_set() and len(closed_after) < len(slow) and time.monotonic() - opened < 16:
                for index, connection in enumerate(slow):
                    if index in closed_after:
                        continue
                    try:
                        gone = connection.recv(1024) == b""
                    except BlockingIOError:
                        gone = False
                    except OSError:
                        gone = True
                    if not gone:
                        try:
                            connection.send(head[sent:sent + 1])
                        except OSError:
                            gone = True
                    if gone:
                        closed_after[index] = time.monotonic() - opened
                sent = min(sent + 1, len(head) - 5)  # never the blank line that ends the head
                stop.wait(1.0)

        trickler = threading.Thread(target=trickle)
        trickler.start()
        try:
            latencies = []
            for wait in (2.0, 3.0):
                time.sleep(wait)
                started = time.monotonic()
                reply = self.site.check("product=zentrim&version=2.10.21.2024")
                latencies.append(time.monotonic() - started)
                self.assertEqual((reply.status, reply.body), (200, b"ORVANE|1"))
            print(f"[ measured ] check beside 40 slow clients: {max(latencies) * 1000:.1f} ms at most")
            self.assertLess(max(latencies), 1.0)
            self.assertEqual(closed_after, {}, "no slow client is closed before the head time limit")
        finally:
            trickler.join(timeout=20)
            stop.set()
            for connection in slow:
                connection.close()
        # nginx closes each within its 10 s for a whole head (the trickler notices within a second).
        self.assertEqual(len(closed_after), len(slow), "slow clients still open after 16 s")
        print(f"[ measured ] slow clients closed after {min(closed_after.values()):.1f} to "
              f"{max(closed_after.values()):.1f} s")
        self.assertGreaterEqual(min(closed_after.values()), 9.0)
        self.assertLessEqual(max(closed_after.values()), 12.5)


class UpdateSiteLimits(unittest.TestCase):
    """Sites of their own, so that their checks do not count against the others' rate."""

    def setUp(self):
        self.place = tempfile.mkdtemp(prefix="zentrim-update-site-")
        self.sites = []

    def tearDown(self):
        for site in self.sites:
            site.stop()
        shutil.rmtree(self.place, ignore_errors=True)

    def start(self, name, files):
        place = os.path.join(self.place, name)
        os.makedirs(place)
        self.sites.append(Site(release_folder(place, files), os.path.join(place, "nginx")))
        return self.sites[-1]

    def test_the_check_rate_of_one_address_is_limited_and_files_are_not(self):
        site = self.start("rate", FILES)
        started = time.monotonic()
        statuses = [site.check("product=zentrim&version=2.10.21.2024").status for _ in range(80)]
        elapsed = time.monotonic() - started
        # 5 checks a second with a burst of 50 taken at once: the first 51 pass, then one in 0.2 s.
        self.assertEqual(statuses[:51], [200] * 51)
        self.assertEqual(set(statuses), {200, 429})
        self.assertLessEqual(statuses.count(200), 51 + int(elapsed * 5) + 1, f"{elapsed:.2f} s")
        self.assertEqual(site.get("/downloads/update/manifest.sig").status, 200)

    def test_the_check_is_unavailable_past_the_manifests_expiry_or_without_one(self):
        expired = dict(FILES)
        expired["manifest.txt"] = manifest("2020-01-01T00:00:00Z")
        without = dict(FILES)
        del without["manifest.txt"]
        for name, files in (("expired", expired), ("without", without)):
            with self.subTest(manifest=name):
                site = self.start(name, files)
                self.assertEqual(site.check("product=zentrim&version=2.10.21.2024").status, 503)
                self.assertEqual(site.check("product=zentrim").status, 400)
                self.assertEqual(site.get("/downloads/update/manifest.sig").status, 200)


def main(arguments):
    report_path = None
    for argument in arguments:
        if argument.startswith("--gtest_output=xml:"):
            report_path = argument[len("--gtest_output=xml:"):]
        else:
            print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
            return 2
    return run_cases((CheckTable, UpdateSite, UpdateSiteLimits), report_path, "update site checks")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
