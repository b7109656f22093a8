#!/usr/bin/env python3
"""Checks a release set as scripts/release builds it, from the outside: the checksums, the two
installer packages (what they install, where, for whom, and how they upgrade), the programs
(architecture, stripped, version resource and icon), the compiled help file, the signing path with
a throw-away self-made certificate (its password never on a command line), the update folder signed
with the development update key, and the keys the updaters trust: a release set built with a
throw-away maker's key trusts that key and never the development key, and no release set is made
without the maker's key or with the development key.

usage: release_checks.py DEVELOPMENT_SET_DIR [--gtest_output=xml:REPORT]

The report has GoogleTest's XML form, so that the test summary counts these cases with the others.
"""

import datetime
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

from gtest_report import run_cases

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RELEASE = None  # set by main()

# What a package must be, written out here rather than taken from the package description.
UPGRADE_CODE = "{6F6DAF57-4559-4F9F-9BC7-128498759872}"
INSTALLED_FILES = {"Zentrim.exe", "ZentrimUpdate.exe", "ZentrimCmd.exe", "Zentrim.chm", "License.rtf"}
DOWNGRADE_MESSAGE = "A newer version of Zentrim is already installed."
LANGUAGES = ("english", "german", "french", "spanish", "italian", "portuguese", "dutch", "polish", "russian")
# Windows language ids (sublanguage << 10 | primary language) and the catalogue each one gets.
DISPLAY_LANGUAGES = (
    (0x0407, "german"), (0x0807, "german"), (0x0C07, "german"), (0x1407, "german"),
    (0x040C, "french"), (0x0C0C, "french"), (0x100C, "french"),
    (0x0C0A, "spanish"), (0x080A, "spanish"), (0x540A, "spanish"),
    (0x0410, "italian"), (0x0810, "italian"),
    (0x0416, "portuguese"), (0x0816, "portuguese"),
    (0x0413, "dutch"), (0x0813, "dutch"),
    (0x0415, "polish"),
    (0x0419, "russian"), (0x0819, "russian"),
    (0x0409, "english"), (0x0809, "english"), (0x041D, "english"), (0x0411, "english"),
    (0x041F, "english"), (0x0405, "english"), (0x0422, "english"), (0x0417, "english"),
    (0x0406, "english"), (0x0414, "english"), (0x0000, "english"),
)
DEVELOPMENT_KEY = os.path.join(ROOT, "packaging", "keys", "development-update-key.pem")
DEVELOPMENT_PUBLIC_KEY = os.path.join(ROOT, "packaging", "keys", "development-update-key.pub.der")
# X||Y of the development key, as "openssl ec -text" prints its public point (after the leading 04).
DEVELOPMENT_POINT = bytes.fromhex(
    "11929b651c2cdc263140c8da1e9d18eda0e1d1b9db78a9705729750d2da952b1"
    "6ce13aab8fc87e88b6f21c5f9da6c919131c83b1ccff67acc0bce1dd6bce69a7")


def release(arguments, **variables):
    """Runs scripts/release with the given arguments and environment variables (None removes one)."""
    environment = dict(os.environ)
    for name in ("ZENTRIM_UPDATE_KEY", "ZENTRIM_UPDATE_PUBLIC_KEY", "ZENTRIM_UPDATE_NEXT_PUBLIC_KEY",
                 "ZENTRIM_SIGN_CERT", "ZENTRIM_SIGN_KEY", "ZENTRIM_SIGN_PASSWORD"):
        environment.pop(name, None)
    environment.update({name: value for name, value in variables.items() if value is not None})
    return subprocess.run([os.path.join(ROOT, "scripts", "release")] + arguments, env=environment,
                          capture_output=True, text=True)


def make_key(folder, name):
    """A throw-away P-256 key pair: the private key (PEM), its public half (DER) and its point."""
    private = os.path.join(folder, f"{name}.pem")
    public = os.path.join(folder, f"{name}.pub.der")
    subprocess.run(["openssl", "genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256",
                    "-pkeyopt", "ec_param_enc:named_curve", "-out", private], check=True, capture_output=True)
    subprocess.run(["openssl", "pkey", "-in", private, "-pubout", "-outform", "DER", "-out", public], check=True,
                   capture_output=True)
    with open(public, "rb") as file:
        der = file.read()
    return private, public, der[-64:]


def shipped_updaters(release_set, package_suffix=""):
    """Every ZentrimUpdate.exe the set ships, loose and as each package installs it: (name, bytes)."""
    version = project_version()
    updaters = []
    for arch in ("x86", "x64"):
        with open(os.path.join(release_set, arch, "ZentrimUpdate.exe"), "rb") as file:
            updaters.append((f"{arch}/ZentrimUpdate.exe", file.read()))
        package = os.path.join(release_set, f"Zentrim-{version}-{arch}{package_suffix}.msi")
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["msiextract", "-C", folder, package], check=True, capture_output=True)
            found = [os.path.join(place, name) for place, _, names in os.walk(folder) for name in names
                     if name == "ZentrimUpdate.exe"]
            if len(found) != 1:
                raise AssertionError(f"{package} holds {len(found)} updaters")
            with open(found[0], "rb") as file:
                updaters.append((f"{os.path.basename(package)}: ZentrimUpdate.exe", file.read()))
    return updaters


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake:
        return re.search(r"project\(Zentrim VERSION ([0-9.]+)", cmake.read()).group(1)


def msi_table(package, table):
    """The rows of an MSI table as lists of columns (msiinfo's export without its three header lines)."""
    text = subprocess.run(["msiinfo", "export", package, table], check=True, capture_output=True,
                          text=True).stdout
    return [line.split("\t") for line in text.splitlines()[3:] if line]


def msi_summary(package):
    text = subprocess.run(["msiinfo", "suminfo", package], check=True, capture_output=True, text=True).stdout
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


class PortableExecutable:
    """The few things of a PE file the checks need: machine, symbol table, sections, resource types."""

    def __init__(self, path):
        with open(path, "rb") as file:
            self.data = file.read()
        data = self.data
        if data[:2] != b"MZ":
            raise ValueError(f"{path} is not a Windows program")
        header = struct.unpack_from("<I", data, 0x3C)[0]
        if data[header:header + 4] != b"PE\0\0":
            raise ValueError(f"{path} has no PE header")
        (self.machine, sections, _, self.symbol_table, self.symbol_count, optional_size,
         _) = struct.unpack_from("<HHIIIHH", data, header + 4)
        optional = header + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for index in range(sections):
            entry = table + index * 40
            name = data[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
            if name.startswith("/") and self.symbol_table:
                # A long name lies in the string table after the symbols.
                start = self.symbol_table + 18 * self.symbol_count + int(name[1:])
                name = data[start:data.index(b"\0", start)].decode("ascii", "replace")
            size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, entry + 8)
            self.sections.append((name, rva, max(size, raw_size), raw_offset))

    def offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address outside every section")

    def resource_types(self):
        """The numeric resource types at the root of the resource tree."""
        if self.resource_rva == 0:
            return set()
        root = self.offset(self.resource_rva)
        named, numbered = struct.unpack_from("<HH", self.data, root + 12)
        types = set()
        for index in range(named + numbered):
            identifier = struct.unpack_from("<I", self.data, root + 16 + index * 8)[0]
            if not identifier & 0x80000000:
                types.add(identifier)
        return types


class ReleaseSet(unittest.TestCase):
    def test_checksums_cover_every_file_and_match(self):
        listed = {}
        with open(os.path.join(RELEASE, "SHA256SUMS"), encoding="ascii") as sums:
            for line in sums:
                digest, name = line.rstrip("\n").split("  ", 1)
                listed[name] = digest
        present = set()
        for folder, _, files in os.walk(RELEASE):
            for name in files:
                relative = os.path.relpath(os.path.join(folder, name), RELEASE).replace(os.sep, "/")
                if relative != "SHA256SUMS":
                    present.add(relative)
        version = project_version()
        self.assertEqual(present, {"x86/Zentrim.exe", "x64/Zentrim.exe", "x86/ZentrimUpdate.exe",
                                   "x64/ZentrimUpdate.exe", "x86/ZentrimCmd.exe", "x64/ZentrimCmd.exe",
                                   "Zentrim.chm", "License.rtf", f"Zentrim-{version}-x86-development.msi",
                                   f"Zentrim-{version}-x64-development.msi"})
        self.assertEqual(set(listed), present)
        for name, digest in listed.items():
            with open(os.path.join(RELEASE, name), "rb") as file:
                self.assertEqual(hashlib.sha256(file.read()).hexdigest(), digest, name)

    def test_programs_are_stripped_and_carry_version_and_icon(self):
        version = project_version()
        for arch, machine in (("x86", 0x14C), ("x64", 0x8664)):
            for name in ("Zentrim.exe", "ZentrimUpdate.exe", "ZentrimCmd.exe"):
                with self.subTest(program=f"{arch}/{name}"):
                    program = PortableExecutable(os.path.join(RELEASE, arch, name))
                    self.assertEqual(program.machine, machine)
                    self.assertEqual(program.symbol_count, 0, "symbols left in")
                    self.assertFalse([section for section, *_ in program.sections if section.startswith(".debug")],
                                     "debug sections left in")
                    types = program.resource_types()
                    self.assertTrue({3, 14, 16} <= types, f"icon, icon group and version resources: {types}")
                    self.assertIn(("ProductVersion\0" + version).encode("utf-16-le"),
                                  program.data.replace(b"\0\0\0\0", b"\0\0"))
                    # The development set's updaters say what they are; the other programs are
                    # the same in every set.
                    development = "Development build".encode("utf-16-le") in program.data
                    self.assertEqual(development, name == "ZentrimUpdate.exe")
                    self.assertEqual(DEVELOPMENT_POINT in program.data, name == "ZentrimUpdate.exe")

    def test_packages_install_the_four_files_per_machine_for_their_architecture(self):
        version = project_version()
        for arch, template, folder, component_bits in (("x86", "Intel;1033", "ProgramFilesFolder", 0),
                                                       ("x64", "x64;1033", "ProgramFiles64Folder", 256)):
            with self.subTest(arch=arch):
                package = os.path.join(RELEASE, f"Zentrim-{version}-{arch}-development.msi")
                properties = {row[0]: row[1] for row in msi_table(package, "Property")}
                self.assertEqual(properties["ProductName"], "Zentrim")
                self.assertEqual(properties["Manufacturer"], "ORVANE")
                self.assertEqual(properties["ProductVersion"], version)
                self.assertEqual(properties["UpgradeCode"].upper(), UPGRADE_CODE)
                self.assertEqual(properties["ALLUSERS"], "1", "per machine")
                self.assertIn("ARPPRODUCTICON", properties)
                self.assertEqual(msi_summary(package)["Template"], template)
                self.assertIn("development build", msi_summary(package)["Subject"])

                files = {row[2] for row in msi_table(package, "File")}
                self.assertEqual(files, INSTALLED_FILES)
                components = msi_table(package, "Component")
                self.assertEqual({row[2] for row in components}, {"INSTALLFOLDER"}, "side by side")
                # The program's components follow the package's architecture; the caption language
                # is written in the 32-bit view by both (msidbComponentAttributes64bit = 256).
                for row in components:
                    self.assertEqual(int(row[3]) & 256, 0 if row[0] == "CaptionLanguage" else component_bits, row)
                directories = {row[0]: (row[1], row[2]) for row in msi_table(package, "Directory")}
                maker = directories["INSTALLFOLDER"]
                self.assertEqual(maker[1], "Zentrim")
                self.assertEqual(directories[maker[0]], (folder, "ORVANE"))

                shortcuts = msi_table(package, "Shortcut")
                self.assertEqual([(row[1], row[2]) for row in shortcuts], [("ProgramMenuFolder", "Zentrim")])
                conditions = msi_table(package, "LaunchCondition")
                self.assertTrue(any(DOWNGRADE_MESSAGE in row[1] for row in conditions), conditions)
                upgrades = msi_table(package, "Upgrade")
                self.assertTrue(all(row[0].upper() == UPGRADE_CODE for row in upgrades))
                self.assertIn("RemoveExistingProducts", {row[0] for row in msi_table(package, "InstallExecuteSequence")})
                self.check_caption_language(package)

    def check_caption_language(self, package):
        """The package writes only "Language" in the product key, from a property that its
        actions set to one of the nine catalogue names."""
        registry = msi_table(package, "Registry")
        self.assertEqual(len(registry), 1, registry)
        _, root, key, name, value, component = registry[0]
        self.assertEqual((root, key, name), ("2", r"Software\ORVANE\Zentrim", "Language"))
        self.assertEqual(component, "CaptionLanguage")
        components = {row[0]: int(row[3]) for row in msi_table(package, "Component")}
        self.assertEqual(components["CaptionLanguage"] & (4 | 256), 4, "registry key path, 32-bit view")
        chosen = re.fullmatch(r"\[(\w+)\]", value)
        self.assertTrue(chosen, value)
        chosen = chosen.group(1)
        self.assertFalse(chosen.isupper(), "a private property: the command line cannot set it as is")

        properties = {row[0]: row[1] for row in msi_table(package, "Property")}
        self.assertEqual(properties[chosen], "english", "the default")
        actions = {row[0]: row for row in msi_table(package, "CustomAction") if row[2] == chosen}
        for action, row in actions.items():
            self.assertEqual(int(row[1]) & 0x3F, 51, f"{action} sets a property")
        self.assertEqual({row[3] for row in actions.values()}, set(LANGUAGES))
        # The stored value is looked for where the program reads it: raw, 32-bit view.
        locators = {row[0]: row for row in msi_table(package, "RegLocator")}
        searches = {row[0]: locators[row[1]] for row in msi_table(package, "AppSearch")}
        self.assertEqual(searches["STOREDLANGUAGE"][1:], ["2", r"Software\ORVANE\Zentrim", "Language", "2"])

        # The display language: the primary language id (low ten bits of UserLanguageID) decides,
        # the sublanguage does not. The conditions are evaluated here as Windows Installer reads
        # them ("><" is a bitwise AND on numbers); the last action whose condition holds wins.
        sequence = sorted((int(row[2]), row[0], row[1]) for row in msi_table(package, "InstallExecuteSequence")
                          if row[0] in actions and "UserLanguageID" in row[1])
        self.assertEqual(len(sequence), 8, sequence)

        def holds(condition, language_id):
            python = re.sub(r"\(UserLanguageID >< (\d+)\)", lambda m: f"({language_id} & {m.group(1)} != 0)",
                            condition).replace("AND", "and").replace("NOT", "not")
            self.assertNotIn("UserLanguageID", python, condition)
            return eval(python, {"__builtins__": {}})  # only numbers, and/not and parentheses remain

        for language_id, expected in DISPLAY_LANGUAGES:
            result = "english"
            for _, action, condition in sequence:
                if holds(condition, language_id):
                    result = actions[action][3]
            self.assertEqual(result, expected, hex(language_id))

    def test_help_file_opens_and_lists_every_setting(self):
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["extract_chmLib", os.path.join(RELEASE, "Zentrim.chm"), folder], check=True,
                           capture_output=True)
            sources = os.path.join(ROOT, "packaging", "help")
            for part in ("html", "images"):
                for name in os.listdir(os.path.join(sources, part)):
                    with self.subTest(file=f"{part}/{name}"):
                        with open(os.path.join(sources, part, name), "rb") as source, \
                                open(os.path.join(folder, part, name), "rb") as compiled:
                            self.assertEqual(compiled.read(), source.read())
            for name in ("toc.hhc", "index.hhk"):
                self.assertTrue(os.path.exists(os.path.join(folder, name)), name)
            with open(os.path.join(folder, "#WINDOWS"), "rb") as windows, \
                    open(os.path.join(folder, "#STRINGS"), "rb") as strings:
                self.assertIn(b"HelpWindow\0", strings.read())
                self.assertGreater(len(windows.read()), 8)
            with open(os.path.join(folder, "html", "settings.htm"), encoding="utf-8") as page:
                rows = re.findall(r'<tr class="row"><td>(\d+)</td>', page.read())
            # Grouped by area: every row once, in any order.
            self.assertEqual(sorted(map(int, rows)), list(range(1, 48)))

    def test_licence_terms_are_rtf(self):
        with open(os.path.join(RELEASE, "License.rtf"), "rb") as terms:
            text = terms.read()
        self.assertTrue(text.startswith(b"{\\rtf1"))
        self.assertEqual(text.count(b"{") - text.count(b"\\{"), text.count(b"}") - text.count(b"\\}"))


class Signing(unittest.TestCase):
    """The signing path, with a certificate made for this test alone and thrown away after it."""

    def test_signed_set_verifies_with_its_certificate_and_unsigned_set_says_so(self):
        with tempfile.TemporaryDirectory() as folder:
            certificate = os.path.join(folder, "test-certificate.pem")
            key = os.path.join(folder, "test-key.pem")
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                            "-subj", "/CN=Zentrim release test/O=ORVANE", "-keyout", key, "-out", certificate],
                           check=True, capture_output=True)
            signed = os.path.join(folder, "signed")
            result = release(["--development", "--no-build", "--out", signed], ZENTRIM_SIGN_CERT=certificate,
                             ZENTRIM_SIGN_KEY=key)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn("signed", result.stdout)
            version = project_version()
            for name in ("x86/Zentrim.exe", "x64/Zentrim.exe", "x86/ZentrimUpdate.exe", "x64/ZentrimUpdate.exe",
                         "x86/ZentrimCmd.exe", "x64/ZentrimCmd.exe", f"Zentrim-{version}-x86-development.msi",
                         f"Zentrim-{version}-x64-development.msi"):
                with self.subTest(file=name):
                    check = subprocess.run(["osslsigncode", "verify", "-CAfile", certificate,
                                            "-in", os.path.join(signed, name)], capture_output=True, text=True)
                    self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
                    self.assertIn("Zentrim release test", check.stdout)
            sums = subprocess.run(["sha256sum", "--check", "--quiet", "SHA256SUMS"], cwd=signed,
                                  capture_output=True, text=True)
            self.assertEqual(sums.returncode, 0, sums.stdout + sums.stderr)

        unsigned = subprocess.run(["osslsigncode", "verify", "-in", os.path.join(RELEASE, "x64", "Zentrim.exe")],
                                  capture_output=True, text=True)
        self.assertNotEqual(unsigned.returncode, 0, "the default release set is unsigned")

    def test_the_password_of_an_encrypted_key_goes_through_a_private_file(self):
        with tempfile.TemporaryDirectory() as folder:
            certificate = os.path.join(folder, "test-certificate.pem")
            key = os.path.join(folder, "test-key.pem")
            password = "Pa55 word of the test"
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-days", "2", "-passout",
                            f"pass:{password}", "-subj", "/CN=Zentrim release test/O=ORVANE", "-keyout", key,
                            "-out", certificate], check=True, capture_output=True)
            # osslsigncode as other users see it: its command line, and the password file's rights.
            shim = os.path.join(folder, "bin")
            os.mkdir(shim)
            log = os.path.join(folder, "calls.log")
            real = subprocess.run(["sh", "-c", "command -v osslsigncode"], capture_output=True,
                                  text=True).stdout.strip()
            with open(os.path.join(shim, "osslsigncode"), "w", encoding="utf-8") as script:
                script.write("#!/bin/sh\n"
                             f"printf '%s\\n' \"$*\" >>'{log}'\n"
                             "previous=\n"
                             "for argument; do\n"
                             f"  [ \"$previous\" = -readpass ] && stat -c %a \"$argument\" >>'{log}'\n"
                             "  previous=$argument\n"
                             "done\n"
                             f"exec '{real}' \"$@\"\n")
            os.chmod(os.path.join(shim, "osslsigncode"), 0o755)
            signed = os.path.join(folder, "signed")
            result = release(["--development", "--no-build", "--out", signed], ZENTRIM_SIGN_CERT=certificate,
                             ZENTRIM_SIGN_KEY=key, ZENTRIM_SIGN_PASSWORD=password,
                             PATH=shim + os.pathsep + os.environ["PATH"])
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(log, encoding="utf-8") as file:
                calls = file.read()
            self.assertNotIn(password, calls)
            self.assertEqual(calls.count("-readpass"), 8, calls)  # six programs and two packages
            self.assertEqual(set(re.findall(r"^([0-7]{3})$", calls, re.MULTILINE)), {"600"}, calls)
            check = subprocess.run(["osslsigncode", "verify", "-CAfile", certificate, "-in",
                                    os.path.join(signed, "x64", "ZentrimUpdate.exe")], capture_output=True, text=True)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_half_given_certificate_is_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            result = release(["--development", "--no-build", "--out", folder],
                             ZENTRIM_SIGN_CERT="/nonexistent/certificate.pem")
        self.assertEqual(result.returncode, 2)
        self.assertIn("ZENTRIM_SIGN_KEY", result.stderr)


def signature_to_der(raw):
    """A 64-byte r||s signature as the DER SEQUENCE of two INTEGERs that openssl reads."""
    def integer(value):
        body = value.lstrip(b"\0") or b"\0"
        if body[0] >= 0x80:
            body = b"\0" + body
        return bytes([0x02, len(body)]) + body
    body = integer(raw[:32]) + integer(raw[32:])
    return bytes([0x30, len(body)]) + body


def verifies(manifest, raw_signature, public_key, folder):
    signature = os.path.join(folder, "signature.der")
    with open(signature, "wb") as file:
        file.write(signature_to_der(raw_signature))
    check = subprocess.run(["openssl", "dgst", "-sha256", "-verify", public_key, "-keyform", "DER",
                            "-signature", signature, manifest], capture_output=True, text=True)
    return check.returncode == 0 and "Verified OK" in check.stdout


def expiry_days_from_now(manifest_text):
    """How many days from now the manifest's expiry lies."""
    stamp = re.search(r"^expires (\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)$", manifest_text, re.MULTILINE).group(1)
    expires = datetime.datetime.strptime(stamp, "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=datetime.timezone.utc)
    return (expires - datetime.datetime.now(datetime.timezone.utc)).total_seconds() / 86400


class UpdateFolder(unittest.TestCase):
    """The update folder a development set signed with the development update key gets: a manifest
    of both packages with its expiry, whose 64-byte signature verifies against the development key."""

    def test_signed_manifest_lists_both_packages_and_verifies_with_the_development_key(self):
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "set")
            result = release(["--development", "--no-build", "--out", out], ZENTRIM_UPDATE_KEY=DEVELOPMENT_KEY)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn("update folder", result.stdout)
            self.assertIn("DEVELOPMENT", result.stdout)
            update = os.path.join(out, "update")
            version = project_version()
            packages = [f"Zentrim-{version}-x86-development.msi", f"Zentrim-{version}-x64-development.msi"]
            self.assertEqual(sorted(os.listdir(update)), sorted(packages + ["manifest.txt", "manifest.sig"]))

            manifest = os.path.join(update, "manifest.txt")
            with open(manifest, "rb") as file:
                text = file.read().decode("ascii")
            self.assertAlmostEqual(expiry_days_from_now(text), 30, delta=0.1)
            expires = re.search(r"^expires .*$", text, re.MULTILINE).group(0)
            expected = f"ZENTRIM-UPDATE-MANIFEST 2\nproduct zentrim\nversion {version}\n{expires}\n"
            for arch, name in zip(("x86", "x64"), packages):
                with open(os.path.join(out, name), "rb") as file:
                    package = file.read()
                with open(os.path.join(update, name), "rb") as file:
                    self.assertEqual(file.read(), package, f"update/{name} is a copy of {name}")
                expected += f"package {arch} {name} {len(package)} {hashlib.sha256(package).hexdigest()}\n"
            self.assertEqual(text, expected)

            with open(os.path.join(update, "manifest.sig"), "rb") as file:
                raw = file.read()
            self.assertEqual(len(raw), 64)
            self.assertTrue(verifies(manifest, raw, DEVELOPMENT_PUBLIC_KEY, folder))
            # The check can fail: one changed bit of the signature, or of the manifest, does not verify.
            self.assertFalse(verifies(manifest, raw[:63] + bytes([raw[63] ^ 1]), DEVELOPMENT_PUBLIC_KEY, folder))
            changed = os.path.join(folder, "changed.txt")
            with open(changed, "wb") as file:
                file.write(expected.replace("zentrim", "zentrin", 1).encode("ascii"))
            self.assertFalse(verifies(changed, raw, DEVELOPMENT_PUBLIC_KEY, folder))

            sums = subprocess.run(["sha256sum", "--check", "--quiet", "SHA256SUMS"], cwd=out,
                                  capture_output=True, text=True)
            self.assertEqual(sums.returncode, 0, sums.stdout + sums.stderr)
            with open(os.path.join(out, "SHA256SUMS"), encoding="ascii") as file:
                listed = {line.split("  ", 1)[1] for line in file.read().splitlines()}
            self.assertTrue({"update/manifest.txt", "update/manifest.sig"} <= listed, listed)

            # Signed again later with another expiry; the rest of the manifest stays as it was.
            refreshed = release(["--development", "--refresh-manifest", update], ZENTRIM_UPDATE_KEY=DEVELOPMENT_KEY,
                                ZENTRIM_UPDATE_EXPIRY_DAYS="5")
            self.assertEqual(refreshed.returncode, 0, refreshed.stderr)
            with open(manifest, "rb") as file:
                again = file.read().decode("ascii")
            self.assertAlmostEqual(expiry_days_from_now(again), 5, delta=0.1)
            self.assertEqual(re.sub(r"^expires .*$", "", again, flags=re.MULTILINE),
                             re.sub(r"^expires .*$", "", text, flags=re.MULTILINE))
            with open(os.path.join(update, "manifest.sig"), "rb") as file:
                self.assertTrue(verifies(manifest, file.read(), DEVELOPMENT_PUBLIC_KEY, folder))

    def test_without_a_key_there_is_no_update_folder_and_a_key_not_matching_is_refused(self):
        self.assertFalse(os.path.exists(os.path.join(RELEASE, "update")))
        with tempfile.TemporaryDirectory() as folder:
            other, _, _ = make_key(folder, "other")
            out = os.path.join(folder, "set")
            result = release(["--development", "--no-build", "--out", out], ZENTRIM_UPDATE_KEY=other)
            self.assertEqual(result.returncode, 2)
            self.assertIn("does not match", result.stderr)
            self.assertFalse(os.path.exists(os.path.join(out, "update")))


class ReleaseKeys(unittest.TestCase):
    """Which keys the shipped updaters trust: a release set only the maker's, whose private half the
    maker keeps, and never the development key, whose private half is in the repository."""

    def assertRefusedLeavingNothing(self, arguments, says, **variables):
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "release")
            # An earlier set in the output folder does not survive a refused run to be shipped by mistake.
            os.makedirs(os.path.join(out, "x64"))
            with open(os.path.join(out, "SHA256SUMS"), "w", encoding="ascii") as file:
                file.write("an earlier set\n")
            result = release(arguments + ["--out", out], **variables)
            self.assertEqual(result.returncode, 2, result.stdout + result.stderr)
            self.assertIn(says, result.stderr)
            self.assertFalse(os.path.exists(out), os.listdir(out) if os.path.exists(out) else "")

    def test_no_release_set_without_the_makers_key_or_with_the_development_key(self):
        with tempfile.TemporaryDirectory() as folder:
            maker, maker_public, _ = make_key(folder, "maker")
            other, _, _ = make_key(folder, "other")
            self.assertRefusedLeavingNothing(["--no-build"], "ZENTRIM_UPDATE_PUBLIC_KEY")
            self.assertRefusedLeavingNothing(["--no-build"], "--development")
            self.assertRefusedLeavingNothing(["--no-build"], "development key",
                                             ZENTRIM_UPDATE_PUBLIC_KEY=DEVELOPMENT_PUBLIC_KEY)
            self.assertRefusedLeavingNothing(["--no-build"], "development key", ZENTRIM_UPDATE_PUBLIC_KEY=maker_public,
                                             ZENTRIM_UPDATE_NEXT_PUBLIC_KEY=DEVELOPMENT_PUBLIC_KEY)
            # Signing a release with the development private key is refused, however it is asked.
            self.assertRefusedLeavingNothing(["--no-build"], "signs only development sets",
                                             ZENTRIM_UPDATE_PUBLIC_KEY=maker_public,
                                             ZENTRIM_UPDATE_KEY=DEVELOPMENT_KEY)
            self.assertRefusedLeavingNothing(["--no-build"], "does not match", ZENTRIM_UPDATE_PUBLIC_KEY=maker_public,
                                             ZENTRIM_UPDATE_KEY=other)
            self.assertRefusedLeavingNothing(["--development", "--no-build"], "trusts only the development key",
                                             ZENTRIM_UPDATE_PUBLIC_KEY=maker_public)
            self.assertRefusedLeavingNothing(["--no-build", "--test-programs"], "--development",
                                             ZENTRIM_UPDATE_PUBLIC_KEY=maker_public, ZENTRIM_UPDATE_KEY=maker)
            refreshed = release(["--refresh-manifest", folder], ZENTRIM_UPDATE_KEY=DEVELOPMENT_KEY)
            self.assertEqual(refreshed.returncode, 2)
            self.assertIn("signs only development sets", refreshed.stderr)

    def test_a_release_with_a_makers_key_ships_updaters_that_trust_it_and_never_the_development_key(self):
        with tempfile.TemporaryDirectory() as folder:
            maker, maker_public, maker_point = make_key(folder, "maker")
            _, next_public, next_point = make_key(folder, "next")
            out = os.path.join(folder, "set")
            # Built for real: the maker's keys go to both builds.
            result = release(["--out", out], ZENTRIM_UPDATE_PUBLIC_KEY=maker_public,
                             ZENTRIM_UPDATE_NEXT_PUBLIC_KEY=next_public, ZENTRIM_UPDATE_KEY=maker)
            self.assertEqual(result.returncode, 0, result.stdout[-3000:] + result.stderr)
            self.assertNotIn("DEVELOPMENT", result.stdout)
            updaters = shipped_updaters(out)
            self.assertEqual(len(updaters), 4)
            for name, data in updaters:
                with self.subTest(updater=name):
                    self.assertIn(maker_point, data)
                    self.assertIn(next_point, data)
                    self.assertNotIn(DEVELOPMENT_POINT, data)
                    self.assertNotIn("Development build".encode("utf-16-le"), data)
            version = project_version()
            self.assertTrue(os.path.exists(os.path.join(out, f"Zentrim-{version}-x64.msi")))
            update = os.path.join(out, "update")
            with open(os.path.join(update, "manifest.sig"), "rb") as file:
                raw = file.read()
            self.assertTrue(verifies(os.path.join(update, "manifest.txt"), raw, maker_public, folder))
            self.assertFalse(verifies(os.path.join(update, "manifest.txt"), raw, DEVELOPMENT_PUBLIC_KEY, folder))

            # The check after building holds: builds whose release updater trusts another key are refused.
            _, stranger_public, _ = make_key(folder, "stranger")
            result = release(["--no-build", "--out", out], ZENTRIM_UPDATE_PUBLIC_KEY=stranger_public)
            self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
            self.assertIn("do not trust exactly the maker's keys", result.stderr)
            self.assertFalse(os.path.exists(out))

    def test_the_development_set_trusts_only_the_development_key(self):
        for name, data in shipped_updaters(RELEASE, "-development"):
            with self.subTest(updater=name):
                self.assertIn(DEVELOPMENT_POINT, data)


def main(arguments):
    global RELEASE
    report_path = None
    folders = []
    for argument in arguments:
        if argument.startswith("--gtest_output=xml:"):
            report_path = argument[len("--gtest_output=xml:"):]
        else:
            folders.append(argument)
    if len(folders) != 1:
        print(__doc__.strip().splitlines()[4], file=sys.stderr)
        return 2
    RELEASE = os.path.abspath(folders[0])
    return run_cases((ReleaseSet, Signing, UpdateFolder, ReleaseKeys), report_path, "release checks")

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
