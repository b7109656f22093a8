#!/usr/bin/env python3
"""Writes the nginx configuration of the update site from the templates beside this file.

usage: update_site.py server-block --manifest FILE --root DIR --listen ADDRESS [--listen ADDRESS...]
                      [--server-name NAME] [--allow-no-release] --out FILE
           the server block of update-site.conf.in for the release of FILE (manifest.txt), serving
           the folder DIR; its check table answers from the manifest's version and expiry. With
           --allow-no-release a missing or unreadable manifest gives a block whose check answers 503.
       update_site.py serve-config --prefix DIR --site FILE [--user NAME] --out FILE
           the main configuration of scripts/serve-updates (serve-updates.conf.in): nginx in the
           foreground with its pid, logs and temporary files under DIR, serving the block FILE

The check's table is made of regular expressions over the query as sent: for a release R they
match exactly the version texts the updater's reader takes (1 to 4 parts of 1 to 5 digits, each
at most 65535, leading zeros allowed, missing parts zero) that are older than R, or equal to it.
"""

import datetime
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PART_LIMIT = 65535
PART_DIGITS = 5


def group(regex):
    return f"(?:{regex})" if "|" in regex else regex


def alternation(regexes):
    regexes = [regex for regex in regexes if regex is not None]
    if not regexes:
        return None
    return regexes[0] if len(regexes) == 1 else "(?:" + "|".join(regexes) + ")"


def digits(count):
    return "" if count == 0 else "[0-9]" if count == 1 else f"[0-9]{{{count}}}"


def fixed_width(low, high, width):
    """Texts of exactly `width` digits (leading zeros kept) whose value lies in low..high."""
    if width == 0:
        return ""
    if low == 0 and high == 10 ** width - 1:
        return digits(width)
    place = 10 ** (width - 1)
    first_low, first_high = low // place, high // place
    if first_low == first_high:
        return str(first_low) + group(fixed_width(low % place, high % place, width - 1))
    regexes = []
    low_whole = low % place == 0
    high_whole = high % place == place - 1
    if not low_whole:
        regexes.append(str(first_low) + group(fixed_width(low % place, place - 1, width - 1)))
    start = first_low if low_whole else first_low + 1
    end = first_high if high_whole else first_high - 1
    if start <= end:
        regexes.append((str(start) if start == end else f"[{start}-{end}]") + digits(width - 1))
    if not high_whole:
        regexes.append(str(first_high) + group(fixed_width(0, high % place, width - 1)))
    return alternation(regexes)


def version_part(low, high):
    """One version part with a value in low..high: 1 to 5 digits, leading zeros allowed."""
    if low > high:
        return None
    return alternation([fixed_width(low, min(high, 10 ** width - 1), width)
                        for width in range(1, PART_DIGITS + 1) if low <= min(high, 10 ** width - 1)])


def number_at_most(limit):
    """A decimal number without leading zeros from 0 to limit."""
    return alternation([fixed_width(10 ** (width - 1) if width > 1 else 0, min(limit, 10 ** width - 1), width)
                        for width in range(1, len(str(limit)) + 1)])


def older_than(release):
    """Version texts older than the four parts of `release`."""
    any_part = version_part(0, PART_LIMIT)
    same = [version_part(part, part) for part in release]
    regexes = []
    for index, part in enumerate(release):
        if part > 0:
            rest = "" if index == 3 else f"(?:[.]{any_part}){{0,{3 - index}}}"
            regexes.append("[.]".join(same[:index] + [version_part(0, part - 1)]) + rest)
    # A shorter text equal so far: its missing parts are zeros.
    for count in range(1, 4):
        if any(release[count:]):
            regexes.append("[.]".join(same[:count]))
    return alternation(regexes)


def equal_to(release):
    same = [version_part(part, part) for part in release]
    return alternation(["[.]".join(same[:count]) for count in range(1, 5) if not any(release[count:])])


def read_release(path):
    """(version parts, expiry in seconds since 1970 UTC) of a manifest written by scripts/release."""
    with open(path, "rb") as file:
        lines = file.read(16 * 1024 + 1).decode("ascii").split("\n")
    if len(lines) < 5 or lines[0] != "ZENTRIM-UPDATE-MANIFEST 2" or lines[1] != "product zentrim":
        raise ValueError(f"{path} is not a release manifest of this form")
    version = re.fullmatch(r"version (0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})",
                           lines[2])
    expires = re.fullmatch(r"expires (\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)", lines[3])
    if not version or not expires or any(int(part) > PART_LIMIT for part in version.groups()):
        raise ValueError(f"{path}: no version or expiry of this form")
    moment = datetime.datetime.strptime(expires.group(1), "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=datetime.timezone.utc)
    return [int(part) for part in version.groups()], int(moment.timestamp()), expires.group(1)


def quoted(text, what):
    # A path goes into the configuration in quotes; nginx would take "$" for a variable.
    if re.search(r'["\\$\x00-\x1f\x7f]', text):
        raise ValueError(f"{what} {text!r} holds a character the configuration cannot carry")
    return f'"{text}"'


def fill(template, values):
    with open(os.path.join(HERE, template), encoding="ascii") as file:
        text = file.read()
    for name, value in values.items():
        text = text.replace(f"@{name}@", value)
    left = re.search(r"@[A-Z_]+@", text)
    if left:
        raise ValueError(f"{template}: {left.group(0)} has no value")
    return text


def server_block(options):
    try:
        release, expires, expires_text = read_release(options["manifest"])
    except (OSError, ValueError, UnicodeDecodeError) as error:
        if not options["allow_no_release"]:
            raise ValueError(str(error)) from error
        print(f"update_site: {error}; the check answers 503", file=sys.stderr)
        release = None
    for address in options["listen"]:
        if not re.fullmatch(r"[A-Za-z0-9.:\[\]_ -]+", address):
            raise ValueError(f"--listen {address!r} is not an address of this form")
    if not re.fullmatch(r"[A-Za-z0-9._-]+", options["server_name"]):
        raise ValueError(f"--server-name {options['server_name']!r} is not a host name")
    if release is None:
        label, check, current = "no release (no readable manifest)", "", ""
    else:
        label = f"Zentrim {'.'.join(map(str, release))}, manifest signed until {expires_text}"
        # Release 0.0.0.0 has no older version, so no line for one.
        older = older_than(release)
        check = "\n".join(([f'    "~(?:^|&)version={group(older)}(?:&|$)" "ORVANE|1";'] if older else []) +
                           [f'    "~(?:^|&)version={group(equal_to(release))}(?:&|$)" "ORVANE|0";'])
        current = f'    "~^{group(number_at_most(expires))}[.]" 1;'
    return fill("update-site.conf.in", {
        "RELEASE": label,
        "CHECK_TABLE": check,
        "CURRENT_TABLE": current,
        "LISTEN": "\n".join(f"    listen {address};" for address in options["listen"]),
        "SERVER_NAME": options["server_name"],
        "ROOT": quoted(os.path.abspath(options["root"]), "--root"),
    })


def serve_config(options):
    prefix = os.path.abspath(options["prefix"])
    user = options.get("user")
    if user is not None and not re.fullmatch(r"[A-Za-z0-9._-]+", user):
        raise ValueError(f"--user {user!r} is not a user name")
    return fill("serve-updates.conf.in", {
        "PREFIX": quoted(prefix, "--prefix")[1:-1],
        "SITE": quoted(os.path.abspath(options["site"]), "--site"),
        "USER": f"user {user};" if user else "# the workers keep this user",
    })


def parse(arguments):
    options = {"listen": [], "server_name": "update.orvane.com", "allow_no_release": False}
    names = {"--manifest": "manifest", "--root": "root", "--server-name": "server_name", "--out": "out",
             "--prefix": "prefix", "--site": "site", "--user": "user"}
    index = 0
    while index < len(arguments):
        argument = arguments[index]
        if argument == "--allow-no-release":
            options["allow_no_release"] = True
            index += 1
        elif argument in names or argument == "--listen":
            if index + 1 == len(arguments):
                raise ValueError(f"{argument} needs a value")
            if argument == "--listen":
                options["listen"].append(arguments[index + 1])
            else:
                options[names[argument]] = arguments[index + 1]
            index += 2
        else:
            raise ValueError(f"unknown option {argument}")
    return options


def main(arguments):
    if not arguments or arguments[0] not in ("server-block", "serve-config"):
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    try:
        options = parse(arguments[1:])
        needed = ("manifest", "root", "out") if arguments[0] == "server-block" else ("prefix", "site", "out")
        missing = [name for name in needed if name not in options]
        if missing or (arguments[0] == "server-block" and not options["listen"]):
            raise ValueError("missing " + ", ".join(f"--{name}" for name in missing or ["listen"]))
        text = server_block(options) if arguments[0] == "server-block" else serve_config(options)
    except ValueError as error:
        print(f"update_site: {error}", file=sys.stderr)
        return 2
    written = options["out"] + ".new"
    with open(written, "w", encoding="ascii") as file:
        file.write(text)
    os.replace(written, options["out"])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
