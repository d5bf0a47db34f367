#!/usr/bin/env python3
"""scripts/screenshots.sh makes the README's two pictures of the program's
own windows: both PNG files of the main window's size, the second with the
equalizer dialog's black curve area over the DSP sheet's light paper.

    test_screenshots.py SOURCE_DIR BUILD_DIR
"""
import pathlib
import struct
import subprocess
import sys
import tempfile
import zlib


def png(path):
    """Width, height and the rows (RGB or RGBA bytes) of an 8-bit PNG."""
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG"
    pos, chunks, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    assert depth == 8 and colour in (2, 6), f"{path}: depth {depth}, colour type {colour}"
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(chunks)
    rows, previous, stride = [], bytearray(width * step), width * step
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - step] if x >= step else 0
            up = previous[x]
            corner = previous[x - step] if x >= step else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(line)
        previous = line
    return width, height, step, rows


def main():
    source, build = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    with tempfile.TemporaryDirectory(prefix="screenshots-test-") as out:
        out = pathlib.Path(out)
        result = subprocess.run([str(source / "scripts/screenshots.sh"), str(build), str(out)],
                                capture_output=True, text=True, timeout=50)
        if result.returncode != 0:
            print("FAILED: screenshots.sh ended with", result.returncode, result.stderr)
            return 1
        failures = []
        sizes = {}
        for name in ("main-window.png", "dsp-equalizer.png"):
            width, height, step, rows = png(out / name)
            sizes[name] = (width, height)
            if name == "dsp-equalizer.png":
                black = sum(1 for row in rows for x in range(0, width * step, step)
                            if row[x] < 16 and row[x + 1] < 16 and row[x + 2] < 16)
                # The curve area of the dialog is a large black field; the
                # sheet and the main window have none of that size.
                if black < width * height // 20:
                    failures.append(f"{name}: no dialog's curve area ({black} black pixels)")
        if sizes["main-window.png"] != (1280, 800) or sizes["dsp-equalizer.png"] != (1280, 800):
            failures.append(f"sizes {sizes}")
        if failures:
            print("FAILED:", *failures, sep="\n  ")
            return 1
        print("ok")
        return 0


if __name__ == "__main__":
    sys.exit(main())
