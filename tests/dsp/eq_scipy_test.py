#!/usr/bin/python3
"""Checks the equalization functions through the orbick_dsp_apply tool:
sample for sample against scipy.signal.lfilter with the section
coefficients transcribed from the design rules and the initial state the
section run primes (x1 = y1 = x[-1], x2 = y2 = x[-2]), and against
independent designs: scipy's Butterworth (orders 1, 2) and 0.5 dB Chebyshev
type I (order 5) bilinear filters, sox lowpass/highpass (order 2), and the
shelf gains at DC, Nyquist and the corner."""
import math
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from scipy import signal

TOOL = sys.argv[1]
failures = []
RATE = 44100


def run(data, op, args, area=None, rate=RATE, expect_ok=True):
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.f32"), os.path.join(tmp, "out.f32")
        np.asarray(data, dtype="<f4").tofile(src)
        cmd = [TOOL, src, dst, "1", str(rate), op] + [str(a) for a in args]
        if area:
            cmd += ["--area", str(area[0]), str(area[1])]
        done = subprocess.run(cmd, capture_output=True, text=True)
        if not expect_ok:
            return done
        if done.returncode != 0:
            failures.append(f"{op} {args}: tool failed: {done.stderr.strip()}")
            return np.zeros(len(data), dtype=np.float32)
        return np.fromfile(dst, dtype="<f4")


def check(name, got, want, tol):
    got = np.asarray(got, dtype=np.float64)
    want = np.asarray(want, dtype=np.float64)
    if got.shape != want.shape:
        failures.append(f"{name}: shape {got.shape} != {want.shape}")
        return
    if not np.all(np.isfinite(got)):
        failures.append(f"{name}: non-finite output")
        return
    err = np.abs(got - want)
    if err.max() > tol:
        i = int(np.argmax(err))
        failures.append(f"{name}: max error {err.max():.3g} at {i}: {got[i]!r} != {want[i]!r}")


# ---- The designs, transcribed ----

def norm(hz, rate=RATE):
    return min(max(hz, 5) / rate, 0.475)


def first_order(f, low, a=1.0):
    t = math.tan(math.pi * f)
    s = -1.0
    if low:
        t, s = 1 / t, 1.0
    b0 = a / (t + a)
    return [b0, s * b0, 0.0], [1.0, s * (a - t) / (t + a), 0.0]


def second_order(f, low, beta, gamma):
    t = math.tan(math.pi * f)
    s = -1.0
    if low:
        t, s = 1 / t, 1.0
    d = beta * t + t * t + gamma
    b0 = gamma / d
    return [b0, 2 * s * b0, b0], [1.0, 2 * s * (gamma - t * t) / d, (gamma - beta * t + t * t) / d]


def order_sections(order, f, low):
    if order == 1:
        return [first_order(f, low)]
    if order == 2:
        return [second_order(f, low, 1.4142136, 1.0)]
    return [first_order(f, low, 0.3623196), second_order(f, low, 0.2239258, 1.0357841),
            second_order(f, low, 0.5862454, 0.4767669)]


def small_gain(G, db):
    if -6 < db < 6:
        return math.sqrt(G)
    return G / math.sqrt(2) if G > 1 else math.sqrt(2) * G


def shelf(f, db, bass):
    s = 1.0 if bass else -1.0
    T = math.tan(math.pi * (f - 0.25))
    G = 10 ** (db / 20)
    g = small_gain(G, db)
    D = G * G - g * g
    r = 1.0 if abs(D) <= 5.4e-20 else ((g * g - 1) / D) ** 0.25
    q = math.sqrt(G) * r
    c = 1.4142136
    P0, P2, Pm = q * q + 1 + c * q, q * q + 1 - c * q, -2 * s * (1 - q * q)
    Q0, Q2, Qm = r * r + 1 + c * r, r * r + 1 - c * r, -2 * s * (1 - r * r)
    T2 = T * T
    a0 = T2 * Q2 + Q0 + T * Qm
    b = [T2 * P2 + P0 + T * Pm, 2 * T * (P0 + P2) + (T2 + 1) * Pm, T2 * P0 + P2 + T * Pm]
    a = [a0, 2 * T * (Q0 + Q2) + (T2 + 1) * Qm, T2 * Q0 + Q2 + T * Qm]
    return [v / a0 for v in b], [v / a0 for v in a]


def peak(f, db, w0):
    T = math.tan(math.pi * (f - 0.25))
    G = 10 ** (db / 20)
    g = small_gain(G, db)
    tau = math.tan(2 * math.pi * w0)
    A = 2 * T * T * tau
    Bq = (T ** 4 + 1) * tau
    Cq = 1 - T ** 4
    R = math.hypot(Bq, Cq)
    phi = math.atan2(Bq, Cq)
    alpha = math.asin(A / R)
    w1 = (math.pi - alpha - phi) / 2
    w2 = (alpha - phi) / 2
    w = w2 if (w2 > 0 and w1 > w2) else w1
    c = 1 / math.tan(2 * math.pi * (w / (2 * math.pi)))
    D = G * G - g * g
    k = c if abs(D) <= 5.4e-20 else math.sqrt((g * g - 1) * c * c / D)
    T2 = T * T
    a0 = k * (1 - T2) + (T2 + 1)
    b = [(1 - T2) * k * G + (T2 + 1), 4 * T, (T2 + 1) - k * G * (1 - T2)]
    a = [a0, 4 * T, (T2 + 1) - k * (1 - T2)]
    return [v / a0 for v in b], [v / a0 for v in a]


def run_sections(x, start, length, sections):
    """Each section over the whole range, primed from the unfiltered samples
    before it; the result stored as float32 after each section."""
    y = np.array(x, dtype=np.float32)
    seg = y[start:start + length].astype(np.float64)
    for b, a in sections:
        first = a[2] == 0.0 and b[2] == 0.0
        x1 = x2 = 0.0
        if first and start >= 1:
            x1 = float(x[start - 1])
        if not first and start >= 2:
            x1, x2 = float(x[start - 1]), float(x[start - 2])
        y1, y2 = x1, x2
        if first:
            x2 = y2 = 0.0
        zi = signal.lfiltic(b, a, [y1, y2], [x1, x2])
        out, _ = signal.lfilter(b, a, seg, zi=zi)
        seg = out.astype(np.float32).astype(np.float64)
    y[start:start + length] = seg.astype(np.float32)
    return y


rng = np.random.default_rng(17)
noise = (0.3 * rng.standard_normal(20000)).astype(np.float32)
AREAS = [None, (1, 5000), (3000, 9000)]


def area_of(a, n):
    return (0, n) if a is None else a


# ---- Sample for sample against the transcription (1e-6) ----

for area in AREAS:
    s, l = area_of(area, len(noise))
    for use, bhz, bdb, thz, tdb in [(1, 200, 15.0, 10000, 0.0), (3, 80, 6.0, 10000, 3.0),
                                    (2, 100, 0.0, 7000, -3.0), (3, 60, -3.0, 10000, -3.0),
                                    (3, 100, -20.0, 5000, 20.0)]:
        secs = []
        if use & 1:
            secs.append(shelf(norm(bhz), bdb, True))
        if use & 2:
            secs.append(shelf(norm(thz), tdb, False))
        got = run(noise, "basstreble", [use, bhz, bdb, thz, tdb], area)
        check(f"basstreble {use} {bhz} {bdb} {thz} {tdb} area {area}", got,
              run_sections(noise, s, l, secs), 1e-6)
    for use, ho, hhz, lo, lhz in [(1, 1, 200, 2, 5000), (1, 2, 80, 2, 5000), (1, 5, 20, 2, 5000),
                                  (2, 2, 100, 1, 10000), (2, 2, 100, 2, 5000),
                                  (2, 2, 100, 5, 3000), (3, 5, 160, 2, 3000),
                                  (3, 2, 100, 2, 3000), (2, 2, 100, 2, 30000)]:
        secs = []
        if use & 1:
            secs += order_sections(ho, norm(hhz), False)
        if use & 2:
            secs += order_sections(lo, norm(lhz), True)
        got = run(noise, "filters", [use, ho, hhz, lo, lhz], area)
        check(f"filters {use} {ho} {hhz} {lo} {lhz} area {area}", got,
              run_sections(noise, s, l, secs), 1e-6)
    for bands in [[(50, 6.0), (150, 3.0), (1000, 0.0), (4000, 0.0), (15000, 4.0)],
                  [(40, 5.0), (160, -3.0), (1000, 0.0), (3000, 1.0), (13000, 2.0)],
                  [(60, 2.0), (160, 0.0), (1000, -5.0), (4000, 1.0), (19000, 12.0)]]:
        used = [(db, hz) for hz, db in bands if db != 0 and 5 <= hz <= int(0.425 * RATE)]
        used.sort(key=lambda t: t[0])
        e = 2 ** 0.75
        secs = [peak(norm(hz), db, norm(hz) * e - norm(hz) / e) for db, hz in used]
        args = [v for hz, db in bands for v in (hz, db)]
        got = run(noise, "grafreq", args, area)
        check(f"grafreq {bands} area {area}", got, run_sections(noise, s, l, secs), 1e-6)
    for use, a, b in [(1, (60, -20.0, 0.1), (1000, 0.0, 1.0)), (3, (60, -20.0, 0.1), (120, -20.0, 0.1)),
                      (1, (4000, 4.0, 1.0), (1000, 0.0, 1.0)), (1, (110, 5.0, 2.2), (1000, 0, 1)),
                      (2, (110, 5.0, 2.2), (3000, -4.0, 1.0))]:
        secs = []
        for bit, (hz, db, octv) in ((1, a), (2, b)):
            if use & bit:
                f = norm(hz)
                h = 2 ** (octv / 2)
                secs.append(peak(f, db, f * h - f / h))
        got = run(noise, "parametric", [use, *a, *b], area)
        check(f"parametric {use} {a} {b} area {area}", got, run_sections(noise, s, l, secs), 1e-6)

# Vari-Time: blocks of 1000 samples, the history running on.
def vari_time(x, start, length, kind, shz, ehz):
    shz, ehz = max(shz, 5), max(ehz, 5)
    y = np.array(x, dtype=np.float32)
    blocks = -(-length // 1000)
    ratio = (ehz / shz) ** (1 / blocks)
    acc = float(shz)
    cur = float(shz)
    x1 = x2 = 0.0
    if start >= 2:
        x1, x2 = float(x[start - 1]), float(x[start - 2])
    zi = None
    freqs = []
    for i in range(blocks):
        b, a = second_order(norm(cur), kind != 1, 1.4142136, 1.0)
        freqs.append(cur)
        seg = y[start + i * 1000:start + min(length, (i + 1) * 1000)].astype(np.float64)
        if zi is None:
            zi = signal.lfiltic(b, a, [x1, x2], [x1, x2])
        else:  # the same history (x1, x2, y1, y2) under the new coefficients
            zi = signal.lfiltic(b, a, [hy[-1], hy[-2]], [hx[-1], hx[-2]])
        out, _ = signal.lfilter(b, a, seg, zi=zi)
        hx = np.concatenate(([x2, x1], seg))[-2:] if i == 0 else np.concatenate((hx, seg))[-2:]
        hy = np.concatenate(([x2, x1], out))[-2:] if i == 0 else np.concatenate((hy, out))[-2:]
        y[start + i * 1000:start + i * 1000 + len(seg)] = out.astype(np.float32)
        acc *= ratio
        cur = math.trunc(acc)
    return y, freqs


for area in AREAS:
    s, l = area_of(area, len(noise))
    for kind, sh, eh in [(2, 1000, 5000), (2, 10000, 200), (1, 200, 10), (1, 40, 1000), (2, 0, 0)]:
        want, _ = vari_time(noise, s, l, kind, sh, eh)
        got = run(noise, "varitime", [kind, sh, eh], area)
        check(f"varitime {kind} {sh} {eh} area {area}", got, want, 1e-6)
# 2500 samples: three blocks at start, start x ratio, start x ratio^2 (truncated).
_, freqs = vari_time(noise[:2500], 0, 2500, 2, 1000, 5000)
r = 5 ** (1 / 3)
if freqs != [1000, math.trunc(1000 * r), math.trunc(math.trunc(1000 * r) * 0 + 1000 * r * r)]:
    failures.append(f"varitime block frequencies {freqs}")

# ---- Independent designs ----

impulse = np.zeros(8192, dtype=np.float32)
impulse[0] = 1.0


def response(op, args):
    return run(impulse, op, args).astype(np.float64)


for hz in (100, 1000, 5000, 15000):
    wn = hz / (RATE / 2)
    for order in (1, 2):
        for low in (False, True):
            b, a = signal.butter(order, wn, "lowpass" if low else "highpass")
            want = signal.lfilter(b, a, impulse.astype(np.float64))
            got = response("filters", [2 if low else 1, order, hz, order, hz])
            check(f"butterworth order {order} {'low' if low else 'high'} {hz} Hz", got, want, 1e-6)
    for low in (False, True):
        b, a = signal.cheby1(5, 0.5, wn, "lowpass" if low else "highpass")
        want = signal.lfilter(b, a, impulse.astype(np.float64))
        got = response("filters", [2 if low else 1, 5, hz, 5, hz])
        # The prototype constants carry 7 digits.
        check(f"chebyshev 0.5 dB order 5 {'low' if low else 'high'} {hz} Hz", got, want, 2e-6)

# Shelves: the set gain at DC (bass) or Nyquist (treble), half of it at the
# corner for gains within 6 dB.
for db in (-20.0, -10.0, -6.0, -3.0, 3.0, 5.9, 6.0, 12.0, 20.0):
    for bass, hz in ((True, 200), (False, 8000)):
        h = response("basstreble", [1 if bass else 2, hz, db, hz, db])
        w, H = signal.freqz(h, 1, worN=[0.0, 2 * math.pi * hz / RATE, math.pi])
        edge = abs(H[0] if bass else H[2])
        far = abs(H[2] if bass else H[0])
        name = f"{'bass' if bass else 'treble'} {db} dB at {hz}"
        if abs(20 * math.log10(edge) - db) > 0.01:
            failures.append(f"{name}: {20 * math.log10(edge):.4f} dB at the shelf end")
        if abs(20 * math.log10(far)) > 0.05:
            failures.append(f"{name}: {20 * math.log10(far):.4f} dB at the other end")
        if abs(db) < 6:
            corner = 20 * math.log10(abs(H[1]))
            if abs(corner - db / 2) > 0.05:
                failures.append(f"{name}: {corner:.4f} dB at the corner, want {db / 2}")

# Peaks: the set gain at the centre.
for db in (-20.0, -6.0, 4.0, 12.0):
    h = response("parametric", [1, 1000, db, 1.0, 1000, 0.0, 1.0])
    _, H = signal.freqz(h, 1, worN=[2 * math.pi * 1000 / RATE])
    if abs(20 * math.log10(abs(H[0])) - db) > 0.05:
        failures.append(f"peak {db} dB: {20 * math.log10(abs(H[0])):.4f} dB at the centre")

# 0 dB shelf and peak leave the signal unchanged up to rounding.
check("bass 0 dB", run(noise, "basstreble", [3, 100, 0.0, 10000, 0.0]), noise, 1e-6)
check("parametric 0 dB", run(noise, "parametric", [3, 1000, 0.0, 1.0, 200, 0.0, 0.5]), noise, 1e-6)
# All GraFreq bands at 0 dB (or out of range) do nothing.
done = run(noise, "grafreq", [50, 0, 200, 0, 1000, 0, 4000, 0, 30000, 5.0], expect_ok=False)
if "Nothing" not in done.stderr and "nothing" not in done.stderr:
    failures.append(f"grafreq all 0 dB: {done.returncode} {done.stderr}")

# ---- sox lowpass/highpass: order 2 ----

if shutil.which("sox"):
    import soundfile as sf
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "in.wav")
        quiet = (noise / 8).astype(np.float32)  # no clipping inside sox
        sf.write(src, quiet, RATE, subtype="FLOAT")
        for kind, use in (("lowpass", 2), ("highpass", 1)):
            for hz in (300, 3000):
                out = os.path.join(tmp, f"{kind}{hz}.wav")
                subprocess.run(["sox", "-V1", "-D", src, "-e", "floating-point", out, kind,
                                str(hz)], check=True)
                want, _ = sf.read(out, dtype="float64")
                got = run(quiet, "filters", [use, 2, hz, 2, hz])
                check(f"sox {kind} {hz}", got, want, 1e-4)
else:
    failures.append("sox not found")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("equalization: all checks passed")
