#!/usr/bin/env python3
"""Writes the operator program's alarm sound: half a second of a two-tone
siren (880 Hz then 660 Hz, a quarter second each), 16-bit mono PCM at
22050 Hz, with short fades so it starts and ends without a click.

usage: make_alarm_wav.py OUTPUT.wav
"""

import math
import struct
import sys
import wave

RATE = 22050
TONES = ((880.0, 0.25), (660.0, 0.25))
AMPLITUDE = 0.6 * 32767
FADE = int(0.005 * RATE)


def samples():
    for frequency, seconds in TONES:
        count = int(seconds * RATE)
        for i in range(count):
            envelope = min(1.0, i / FADE, (count - 1 - i) / FADE)
            yield int(AMPLITUDE * envelope * math.sin(2 * math.pi * frequency * i / RATE))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", s) for s in samples()))


if __name__ == "__main__":
    main()
