#!/usr/bin/env python3
"""Converts an ECDSA P-256 signature between DER (what `openssl dgst -sign` writes and `-verify`
reads) and the raw form the updater checks with BCryptVerifySignature: 64 bytes, r then s, each
32 bytes big-endian (IEEE P1363).

usage: ecdsa_signature.py to-raw|to-der <IN >OUT
"""

import sys

SIZE = 32  # bytes of r and of s on P-256


def read_length(data, offset):
    first = data[offset]
    if first < 0x80:
        return first, offset + 1
    if first == 0x81 and data[offset + 1] >= 0x80:
        return data[offset + 1], offset + 2
    raise ValueError("unexpected DER length")


def read_integer(data, offset):
    if data[offset] != 0x02:
        raise ValueError("DER INTEGER expected")
    length, offset = read_length(data, offset + 1)
    body = data[offset:offset + length]
    if length == 0 or len(body) != length or body[0] & 0x80:
        raise ValueError("bad DER INTEGER")
    value = int.from_bytes(body, "big")
    if not 0 < value < 1 << (8 * SIZE):
        raise ValueError("signature value out of range")
    return value, offset + length


def to_raw(der):
    """SEQUENCE { INTEGER r, INTEGER s } to r||s."""
    if len(der) < 8 or der[0] != 0x30:
        raise ValueError("DER SEQUENCE expected")
    length, offset = read_length(der, 1)
    if offset + length != len(der):
        raise ValueError("DER length does not match")
    r, offset = read_integer(der, offset)
    s, offset = read_integer(der, offset)
    if offset != len(der):
        raise ValueError("bytes after the signature")
    return r.to_bytes(SIZE, "big") + s.to_bytes(SIZE, "big")


def encode_integer(value):
    body = value.to_bytes(SIZE + 1, "big").lstrip(b"\0")
    if body[0] & 0x80:
        body = b"\0" + body  # keep it positive
    return bytes([0x02, len(body)]) + body


def to_der(raw):
    if len(raw) != 2 * SIZE:
        raise ValueError(f"a raw signature has {2 * SIZE} bytes, not {len(raw)}")
    body = encode_integer(int.from_bytes(raw[:SIZE], "big")) + encode_integer(int.from_bytes(raw[SIZE:], "big"))
    return bytes([0x30, len(body)]) + body


def main():
    if len(sys.argv) != 2 or sys.argv[1] not in ("to-raw", "to-der"):
        sys.exit(__doc__)
    data = sys.stdin.buffer.read()
    try:
        sys.stdout.buffer.write(to_raw(data) if sys.argv[1] == "to-raw" else to_der(data))
    except (ValueError, IndexError) as error:
        sys.exit(f"ecdsa_signature: {error}")


if __name__ == "__main__":
    main()
