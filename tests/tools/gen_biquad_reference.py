#!/usr/bin/env python3
"""Writes the reference biquad sections of the DSP modules' filter designs,
computed with scipy from the published formulas, for the model's tests
(tests/model/ari/fixtures/biquad_reference.txt).

Each design is built as the analog prototype the digital formulas come from
and taken through scipy.signal.bilinear at the sample rate that puts the
prewarped frequency where the formulas put it, so the reference shares the
formulas' constants but none of their algebra:

  slope       second-order sections 1 / (s^2 + d s + 1) (low pass) or
              s^2 / (s^2 + d s + 1) (high pass), first-order 1 / (s + 1) or
              s / (s + 1), with the dampings of each slope type, at
              2 fs = 1 / K, K = tan(f x 6.544984694978728e-05);
  peak_sinh   the module's own peaking band: (s^2 + s sqrtA / Q + 1) /
              (s^2 + s / (sqrtA Q) + 1) with 1 / Q = 2 alpha / sin w0,
              alpha = sin w0 sinh(ln 2 / 2 x octaves x w0 / sin w0),
              w0 = f x 6.544984694978728e-05, at 2 fs = 1 / tan(w0 / 2);
  peak_edges  the dialog's peaking band from its band edges (upper edge held
              at 24000 Hz): ((1 + c) / 2 s^2 + A k s + (1 - c) / 2) /
              ((1 + c) / 2 s^2 + k s + (1 - c) / 2), c = cos w0,
              w0 = f x 0.00013089969389957457, at 2 fs = 1;
  shelf       the filter module's first-order shelves: (s + A k) / (s + k)
              (low) and (A k s + 1) / (k s + 1) (high) at 2 fs = 1.

Independent checks before anything is written: every Butterworth cascade has
the magnitude response of scipy.signal.butter of its order, every
Linkwitz-Riley cascade that of the square of butter of half its order; a
peaking band has its gain at its centre; a shelf its gain at one end and
unity at the other.

Lines: "<design> <parameters> <section> b0 b1 b2 a1 a2", numbers in Python's
shortest exact form. usage: gen_biquad_reference.py OUTPUT
"""

import math
import sys

import numpy as np
from scipy import signal

PI_OVER_48000 = 6.544984694978728e-05
TWO_PI_OVER_48000 = 0.00013089969389957457
FS = 48000.0

FIRST = None  # a first-order section
SLOPES = [  # (name, kind, order, dampings in cascade order)
    ("L-R 12", "lr", 2, [2.0]),
    ("L-R 24", "lr", 4, [1.4142135623731, 1.4142135623731]),
    ("L-R 36", "lr", 6, [2.0, 1.0, 1.0]),
    ("L-R 48", "lr", 8, [0.76536686473018, 1.84775906502257, 0.76536686473018, 1.84775906502257]),
    ("BW 6", "bw", 1, [FIRST]),
    ("BW 12", "bw", 2, [1.4142135623731]),
    ("BW 18", "bw", 3, [FIRST, 1.0]),
    ("BW 24", "bw", 4, [0.76536686473018, 1.84775906502257]),
    ("BW 30", "bw", 5, [FIRST, 0.61803398874989, 1.61803398874989]),
    ("BW 36", "bw", 6, [0.51763809020504, 1.41421356237309, 1.93185165257814]),
    ("BW 42", "bw", 7, [FIRST, 0.44504186791263, 1.24697960371747, 1.80193773580484]),
    ("BW 48", "bw", 8, [0.39018064403226, 1.1111404660392, 1.66293922460509, 1.96157056080646]),
]

SLOPE_FREQUENCIES = [20.0, 80.0, 250.0, 1000.0, 4000.0, 16000.0, 20000.0]
PEAK_FREQUENCIES = [20.0, 100.0, 1000.0, 10000.0, 20000.0]
PEAK_GAINS = [-30.0, -6.0, 0.0, 6.0, 15.0]
PEAK_OCTAVES = [0.01, 0.5, 1.0, 4.0]
SHELF_FREQUENCIES = [20.0, 80.0, 1000.0, 16000.0, 20000.0]
SHELF_GAINS = [-30.0, -6.0, 6.0, 15.0]


def section(b, a, fs):
    """The digital section of analog b(s) / a(s) through the bilinear
    transform s = 2 fs (z - 1) / (z + 1), padded to second order."""
    bz, az = signal.bilinear(b, a, fs)
    bz = list(bz) + [0.0] * (3 - len(bz))
    az = list(az) + [0.0] * (3 - len(az))
    assert az[0] == 1.0
    return [float(bz[0]), float(bz[1]), float(bz[2]), float(az[1]), float(az[2])]


def slope_sections(dampings, high, f):
    k = math.tan(f * PI_OVER_48000)
    fs = 1.0 / (2.0 * k)
    out = []
    for d in dampings:
        if d is FIRST:
            out.append(section([1.0, 0.0] if high else [1.0], [1.0, 1.0], fs))
        else:
            out.append(section([1.0, 0.0, 0.0] if high else [1.0], [1.0, d, 1.0], fs))
    return out


def magnitude_db(sections, w):
    sos = np.array([[s[0], s[1], s[2], 1.0, s[3], s[4]] for s in sections])
    _, h = signal.sosfreqz(sos, worN=w)
    return 20.0 * np.log10(np.abs(h))


def check_slope(kind, order, high, f, sections):
    btype = "highpass" if high else "lowpass"
    if kind == "bw":
        ref = signal.butter(order, f, btype=btype, fs=FS, output="sos")
        ref_sections = [[r[0], r[1], r[2], r[4], r[5]] for r in ref]
    else:
        half = signal.butter(order // 2, f, btype=btype, fs=FS, output="sos")
        ref_sections = [[r[0], r[1], r[2], r[4], r[5]] for r in half] * 2
    w = np.geomspace(2 * math.pi * 16 / FS, 2 * math.pi * 23900 / FS, 400)
    ours = magnitude_db(sections, w)
    theirs = magnitude_db(ref_sections, w)
    seen = theirs > -200.0  # below that both are rounding noise
    worst = float(np.max(np.abs(ours[seen] - theirs[seen])))
    if worst > 1e-6:
        raise SystemExit(f"{kind} order {order} {btype} {f} Hz: {worst} dB from scipy.signal.butter")


def peak_sinh(f, g, octaves):
    w0 = f * PI_OVER_48000
    root_a = math.sqrt(10.0 ** (g / 20.0))
    alpha = math.sin(w0) * math.sinh(math.log(2.0) / 2.0 * octaves * w0 / math.sin(w0))
    inv_q = 2.0 * alpha / math.sin(w0)
    s = section([1.0, root_a * inv_q, 1.0], [1.0, inv_q / root_a, 1.0], 1.0 / (2.0 * math.tan(w0 / 2.0)))
    check_centre(s, w0, root_a * root_a, f"peak_sinh {f} {g} {octaves}")
    return s


def peak_edges(f, g, octaves):
    w0 = f * TWO_PI_OVER_48000
    a = 10.0 ** (0.05 * g)
    centre = math.log2(f)
    upper = min(2.0 ** (centre + octaves / 2.0), 24000.0)
    lower = 2.0 ** (centre - octaves / 2.0)
    k = math.tan((upper - lower) * TWO_PI_OVER_48000 / 2.0) / math.sqrt(a)
    c = math.cos(w0)
    s = section([(1 + c) / 2, a * k, (1 - c) / 2], [(1 + c) / 2, k, (1 - c) / 2], 0.5)
    check_centre(s, w0, a, f"peak_edges {f} {g} {octaves}")
    return s


def check_centre(s, w0, gain, what):
    _, h = signal.freqz([s[0], s[1], s[2]], [1.0, s[3], s[4]], worN=[w0])
    if abs(abs(h[0]) - gain) > 1e-9 * gain:
        raise SystemExit(f"{what}: |H| at the centre {abs(h[0])}, not {gain}")


def shelf(low, f, g):
    k0 = math.tan(f * PI_OVER_48000)
    a = 10.0 ** (0.05 * g)
    v = 10.0 ** (0.025 * g)
    root = math.sqrt((v * v - 1.0) / (a * a - v * v))
    k = k0 * root if low else root / k0
    if low:
        s = section([1.0, a * k], [1.0, k], 0.5)
    else:
        s = section([a * k, 1.0], [k, 1.0], 0.5)
    _, h = signal.freqz([s[0], s[1], s[2]], [1.0, s[3], s[4]], worN=[0.0, math.pi])
    ends = (a, 1.0) if low else (1.0, a)
    for got, want in zip(np.abs(h), ends):
        if abs(got - want) > 1e-9 * want:
            raise SystemExit(f"shelf {low} {f} {g}: end gain {got}, not {want}")
    return s


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    lines = [
        "# Reference biquad sections of the DSP modules' filter designs, from",
        "# tests/tools/gen_biquad_reference.py (scipy " + __import__("scipy").__version__ + ").",
        "# <design> <parameters> <section> b0 b1 b2 a1 a2",
        "#   slope <type index> <low|high> <frequency>",
        "#   peak_sinh <frequency> <gain dB> <octaves>",
        "#   peak_edges <frequency> <gain dB> <octaves>",
        "#   shelf <low|high> <frequency> <gain dB>",
    ]

    def row(head, index, s):
        lines.append(" ".join([head, str(index)] + [repr(x) for x in s]))

    for t, (_, kind, order, dampings) in enumerate(SLOPES):
        for side in ("low", "high"):
            for f in SLOPE_FREQUENCIES:
                sections = slope_sections(dampings, side == "high", f)
                check_slope(kind, order, side == "high", f, sections)
                for i, s in enumerate(sections):
                    row(f"slope {t} {side} {f!r}", i, s)
    for f in PEAK_FREQUENCIES:
        for g in PEAK_GAINS:
            for w in PEAK_OCTAVES:
                row(f"peak_sinh {f!r} {g!r} {w!r}", 0, peak_sinh(f, g, w))
                row(f"peak_edges {f!r} {g!r} {w!r}", 0, peak_edges(f, g, w))
    for side in ("low", "high"):
        for f in SHELF_FREQUENCIES:
            for g in SHELF_GAINS:
                row(f"shelf {side} {f!r} {g!r}", 0, shelf(side == "low", f, g))
    with open(sys.argv[1], "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
