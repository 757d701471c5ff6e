#!/usr/bin/env python3
"""Writes the plug-in's chime: a RIFF WAVE file, PCM, 2 channels, 48,000 Hz, 16-bit, with
153,820 bytes of samples (153,864 bytes in all). A soft two-note bell with decaying partials;
computed, so every build makes the same file."""
import math
import struct
import sys

RATE = 48000
CHANNELS = 2
DATA_BYTES = 153820
FRAMES = DATA_BYTES // (CHANNELS * 2)

# (start in seconds, fundamental in Hz, loudness)
NOTES = [(0.0, 1318.51, 0.55), (0.12, 1975.53, 0.45)]
# (multiple of the fundamental, relative loudness, decay rate per second)
PARTIALS = [(1.0, 1.0, 6.0), (2.76, 0.35, 9.0), (5.40, 0.12, 14.0)]


def sample(t, pan):
    value = 0.0
    for start, freq, loud in NOTES:
        dt = t - start
        if dt < 0:
            continue
        attack = min(1.0, dt / 0.004)
        for mult, rel, decay in PARTIALS:
            value += loud * rel * attack * math.exp(-decay * dt) * math.sin(2 * math.pi * freq * mult * dt)
    # a short fade at the very end so the sound stops without a click
    tail = FRAMES / RATE - t
    if tail < 0.02:
        value *= max(0.0, tail / 0.02)
    return value * pan * 0.45


def main():
    out = sys.argv[1]
    frames = bytearray()
    for i in range(FRAMES):
        t = i / RATE
        left = int(round(32767 * sample(t, 1.0)))
        right = int(round(32767 * sample(t, 0.85)))
        frames += struct.pack('<hh', max(-32768, min(32767, left)), max(-32768, min(32767, right)))
    assert len(frames) == DATA_BYTES
    header = b'RIFF' + struct.pack('<I', 36 + DATA_BYTES) + b'WAVE'
    header += b'fmt ' + struct.pack('<IHHIIHH', 16, 1, CHANNELS, RATE, RATE * CHANNELS * 2, CHANNELS * 2, 16)
    header += b'data' + struct.pack('<I', DATA_BYTES)
    with open(out, 'wb') as f:
        f.write(header + frames)


if __name__ == '__main__':
    main()
