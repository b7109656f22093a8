#!/usr/bin/env python3
"""The update signing keys as the updater holds them, for the release script's checks.

usage: update_keys.py point KEY.pub.der
           prints the key's public point X||Y (64 bytes) in lower-case hex
       update_keys.py private-point KEY.pem
           the same for the public half of a private key (through openssl)
       update_keys.py check --trusts HEX[,HEX...] [--never HEX] PROGRAM...
           checks that each program holds every point of --trusts and not the one of --never;
           prints one line per program and exits with 1 when any fails the check
"""

import subprocess
import sys

# The fixed DER head of an uncompressed P-256 public key (SubjectPublicKeyInfo): SEQUENCE {
# SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING { 04 ... } }, then X||Y.
P256_HEAD = bytes.fromhex("3059301306072a8648ce3d020106082a8648ce3d03010703420004")
POINT_SIZE = 64


def point_of_der(der):
    if len(der) != len(P256_HEAD) + POINT_SIZE or not der.startswith(P256_HEAD):
        raise ValueError("not an uncompressed P-256 public key in DER SubjectPublicKeyInfo form")
    return der[len(P256_HEAD):]


def point_of_private_key(path):
    der = subprocess.run(["openssl", "pkey", "-in", path, "-pubout", "-outform", "DER"], check=True,
                         capture_output=True).stdout
    return point_of_der(der)


def check(programs, trusted, never):
    failed = False
    for program in programs:
        with open(program, "rb") as file:
            data = file.read()
        missing = [point.hex() for point in trusted if point not in data]
        held = never is not None and never in data
        if missing or held:
            failed = True
            reasons = [f"lacks {point[:16]}..." for point in missing]
            if held:
                reasons.append(f"holds the development key {never.hex()[:16]}...")
            print(f"{program}: {'; '.join(reasons)}")
        else:
            print(f"{program}: trusts {', '.join(point.hex()[:16] + '...' for point in trusted)}")
    return not failed


def main(arguments):
    try:
        if len(arguments) == 2 and arguments[0] == "point":
            with open(arguments[1], "rb") as file:
                print(point_of_der(file.read()).hex())
            return 0
        if len(arguments) == 2 and arguments[0] == "private-point":
            print(point_of_private_key(arguments[1]).hex())
            return 0
        if len(arguments) >= 4 and arguments[0] == "check" and arguments[1] == "--trusts":
            trusted = [bytes.fromhex(text) for text in arguments[2].split(",")]
            rest = arguments[3:]
            never = None
            if rest[0] == "--never":
                never = bytes.fromhex(rest[1])
                rest = rest[2:]
            if not rest or any(len(point) != POINT_SIZE for point in trusted + ([never] if never else [])):
                raise ValueError("a point is 64 bytes, and at least one program is needed")
            return 0 if check(rest, trusted, never) else 1
    except (OSError, ValueError, subprocess.CalledProcessError) as error:
        print(f"update_keys: {error}", file=sys.stderr)
        return 2
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
