#!/usr/bin/env python3
"""Writes click.wav beside this script: the short click the program plays when the user starts an
action.

Format: RIFF WAVE with a plain 44-byte header, PCM, one channel, 22050 samples per second, 16 bits
per sample, 1079 samples (about 49 ms), so 2158 bytes of sound data and 2202 bytes in all.

The click is a soft tap: a short burst of low-pass filtered noise over a damped 1.6 kHz tone,
both decaying exponentially, with a smooth attack of a fraction of a millisecond and a fade that
reaches exact silence at the last sample. The noise comes from a fixed-seed generator, so every
run writes the same bytes.
"""

import math
import pathlib
import random
import struct

SAMPLE_RATE = 22050
SAMPLE_COUNT = 1079
BITS = 16
PEAK = 0.55  # of full scale: audible, never harsh


def click_samples():
    rng = random.Random(0x2E17)
    attack = int(0.0006 * SAMPLE_RATE)  # about 13 samples
    filtered = 0.0
    raw = []
    for n in range(SAMPLE_COUNT):
        t = n / SAMPLE_RATE
        # One-pole low-pass over white noise takes the hiss out of the burst.
        filtered += 0.35 * (rng.uniform(-1.0, 1.0) - filtered)
        noise = filtered * math.exp(-t / 0.0025)
        tone = math.sin(2.0 * math.pi * 1600.0 * t) * math.exp(-t / 0.006)
        value = 0.9 * noise + 0.6 * tone
        if n < attack:
            value *= 0.5 - 0.5 * math.cos(math.pi * n / attack)
        # Raised-cosine fade over the last 40% so the sound ends in silence, without a step.
        fade_start = int(SAMPLE_COUNT * 0.6)
        if n >= fade_start:
            value *= 0.5 + 0.5 * math.cos(math.pi * (n - fade_start) / (SAMPLE_COUNT - 1 - fade_start))
        raw.append(value)
    scale = PEAK / max(abs(v) for v in raw)
    return [int(round(v * scale * 32767)) for v in raw]


def wave_bytes(samples):
    data = struct.pack("<%dh" % len(samples), *samples)
    block_align = BITS // 8
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, SAMPLE_RATE, SAMPLE_RATE * block_align, block_align, BITS)
    header += b"data" + struct.pack("<I", len(data))
    return header + data


def main():
    data = wave_bytes(click_samples())
    assert len(data) == 2202, len(data)
    target = pathlib.Path(__file__).resolve().parent / "click.wav"
    target.write_bytes(data)
    print("%s: %d bytes" % (target, len(data)))


if __name__ == "__main__":
    main()
