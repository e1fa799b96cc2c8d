#!/usr/bin/python3
"""Checks the dynamics and delay effects against numpy transcriptions of
their descriptions (loops in double, delay lines of float32), through the
orbick_dsp_apply tool, plus the documented figures: echo impulse taps,
the gate's ramp and tail, the compressor's levels after a loud start, a
compressor over silence after noise, flange at a sweep maximum of 0."""
import math
import os
import subprocess
import sys
import tempfile

import numpy as np

TOOL = sys.argv[1]
failures = []
f32 = np.float32


def run(data, op, args, rate=44100, expect_ok=True):
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.f32"), os.path.join(tmp, "out.f32")
        np.asarray(data, dtype="<f4").tofile(src)
        cmd = [TOOL, src, dst, "1", str(rate), op] + [str(a) for a in args]
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


# ---- Dynamics ----

def setup(rate, thr, atk_ms, rel_s, det, length):
    A = rate * atk_ms * 0.001
    A = A if A > 0 else 1.0
    R = rate * rel_s
    R = R if R > 0 else 1.0
    T = 10.0 ** (thr / 20.0)
    det = det if det > 0 else 1
    W = (rate * det // 1000 + 1) % 65536
    W = min(max(W, 20), length)
    return A, R, T, W, W // 3 + 1


def fill_ring(x, W, n):
    ring = [0.0] * n
    total = 0.0
    filled = 0
    k = 0
    while k < W and filled < n:
        v = float(x[k]) * float(x[k])
        ring[filled] = v
        total += v
        filled += 1
        k += 3
    return ring, total


def gate_ref(x, rate, thr, atk, rel, det):
    x = np.array(x, dtype=np.float32)
    L = len(x)
    A, R, T, W, n = setup(rate, thr, atk, rel, det, L)
    ring, total = fill_ring(x, W, n)
    g, idx, p = 1.0, 0, 0
    while p < L - W - 2:
        v = float(x[p]) * float(x[p])
        total -= ring[idx]
        total += v
        ring[idx] = v
        idx = (idx + 1) % n
        level = math.sqrt(max(total, 0.0) / W)
        if level < T:
            if g != 0:
                g -= 1.0 / R
                if g < 0:
                    g = 0.0
        elif g < 1:
            g += 1.0 / A
            if g > 1:
                g = 1.0
        if g != 1:
            x[p:p + 3] = (x[p:p + 3].astype(np.float64) * g).astype(np.float32)
        p += 3
    if g != 1:
        x[p:] = (x[p:].astype(np.float64) * g).astype(np.float32)
    return x


def compress_ref(x, rate, thr, ratio, atk, rel, det):
    x = np.array(x, dtype=np.float32)
    L = len(x)
    A, R, T, W, n = setup(rate, thr, atk, rel, det, L)
    ring, total = fill_ring(x, W, n)
    first = math.sqrt(float(np.sum(x[:W].astype(np.float64) ** 2)) / W)
    if first == 0:
        first = 1.2e-7
    st = {"g": 1.0, "vp": 0.0}

    def step(v):
        gt = 1.0
        if v > T:
            gt = T * 10.0 ** ((20 * math.log10(v / T) / ratio) / 20) / v
        g = st["g"]
        if v <= st["vp"]:
            c = max(gt ** (1 / R), 1e-5)
            g /= c
            if ratio >= 1:
                g = 1.0 if g > 1 else g
            else:
                g = 1.0 if g < 1 else g
        else:
            g *= gt ** (1 / A)
            if ratio >= 1:
                g = gt if g < gt else g
            else:
                g = gt if g > gt else g
        if ratio < 1 and g < 1e-5:
            g = 1e-5
        st["g"], st["vp"] = g, v

    if not first > T:
        st["vp"] = first
    else:
        s, count = 0.0, 2.0
        for i in range(W):
            s += float(x[i]) * float(x[i])
            step(math.sqrt(s / count))
            if st["g"] != 1:
                x[i] = f32(float(x[i]) * st["g"])
            count += 1
    idx, p = 0, W
    while p < L - 2:
        v = float(x[p]) * float(x[p])
        total -= ring[idx]
        total += v
        ring[idx] = v
        idx = (idx + 1) % n
        step(math.sqrt(max(total, 0.0) / W))
        if st["g"] != 1:
            x[p:p + 3] = (x[p:p + 3].astype(np.float64) * st["g"]).astype(np.float32)
        p += 3
    if st["g"] != 1:
        x[p:] = (x[p:].astype(np.float64) * st["g"]).astype(np.float32)
    return x


rng = np.random.default_rng(2024)

# Gate: 44100 frames of 0.001, threshold -10 dB, release 0.1 s.
x = np.full(44100, 0.001, dtype=np.float32)
got = run(x, "noisegate", [-10, 0.05, 0.1, 40])
j = np.arange(44100) // 3
want = 0.001 * np.maximum(0.0, 1.0 - (j + 1) / 4410.0)
check("gate ramp", got[:13230], want[:13230], 1e-9)
check("gate closed", got[13230:], np.zeros(44100 - 13230), 0.0)
check("gate reference", got, gate_ref(x, 44100, -10, 0.05, 0.1, 40), 1e-9)
# An area shorter than W + 3 is left alone.
short = rng.uniform(-0.01, 0.01, 1767).astype(np.float32)
check("gate short", run(short, "noisegate", [-10, 0.05, 0.1, 40]), short, 0.0)
# Noise bursts: opening and closing.
burst = (rng.uniform(-1, 1, 30000) * np.where((np.arange(30000) // 5000) % 2, 0.5, 0.002)).astype(np.float32)
for args in ([-40, 0.05, 0.1, 40], [-20, 5, 0.02, 10], [-65, 0.1, 1, 1]):
    check(f"gate bursts {args}", run(burst, "noisegate", args), gate_ref(burst, 44100, *args), 1e-6)

# Compressor: ratio 1 leaves noise bit-identical.
noise = rng.uniform(-0.9, 0.9, 20000).astype(np.float32)
check("compress ratio 1", run(noise, "compress", [-30, 1, 1, 0.1, 10]), noise, 0.0)
# A loud start does not hold the quiet part down.
t = np.arange(22050) / 44100.0
sine = np.where(t < 0.25, 0.9, 0.05) * np.sin(2 * np.pi * 1000 * t)
sine = sine.astype(np.float32)
got = run(sine, "compress", [-20, 4, 1, 0.1, 10])
check("compress sine", got, compress_ref(sine, 44100, -20, 4, 1, 0.1, 10), 1e-6)
quiet_peak = float(np.max(np.abs(got[18000:])))
loud_peak = float(np.max(np.abs(got[2000:10000])))
if abs(quiet_peak - 0.05) > 1e-3:
    failures.append(f"compress: quiet peak {quiet_peak}, want 0.05")
if abs(loud_peak - 0.338) > 0.01:
    failures.append(f"compress: loud peak {loud_peak}, want about 0.338")
# Expansion and the presets on bursts.
for args in ([-20, 0.5, 1, 0.2, 40], [-15, 5, 0.05, 0.5, 40], [-20, 10, 0.1, 0.1, 30],
             [-20, 3, 5, 0.2, 50], [-15, 5, 20, 0.01, 40]):
    check(f"compress bursts {args}", run(burst, "compress", args),
          compress_ref(burst, 44100, *args), 1e-6)
# Noise then silence: no NaN, zeros stay zero.
for seed in range(20):
    r = np.random.default_rng(seed)
    data = np.concatenate([r.uniform(-1, 1, 5000), np.zeros(10000)]).astype(np.float32)
    got = run(data, "compress", [-40, 4, 0.05, 0.5, 40])
    if not np.all(np.isfinite(got)) or np.any(got[5000:] != 0):
        failures.append(f"compress silence seed {seed}: NaN or non-zero")
        break
# A compressor area shorter than W still takes the start pass.
tiny = (0.9 * np.sin(np.arange(500) * 0.3)).astype(np.float32)
check("compress short area", run(tiny, "compress", [-20, 4, 1, 0.1, 40]),
      compress_ref(tiny, 44100, -20, 4, 1, 0.1, 40), 1e-6)


# ---- Delay effects ----

def echo_ref(x, rate, delay, fb, loud):
    D = int(rate * delay)
    fb, ld = fb / 100, loud / 100
    ring = np.zeros(D, dtype=np.float32)
    out = np.empty(len(x), dtype=np.float32)
    w, r = 0, 1
    for i, xi in enumerate(x.astype(np.float64)):
        e = float(ring[r])
        out[i] = f32(xi + e * ld)
        ring[w] = f32(xi + e * fb)
        w, r = (w + 1) % D, (r + 1) % D
    return out


def modulate_ref(x, rate, delay, fb, loud, speed, depth, invert=False):
    if delay * depth / 50000 > speed:
        speed = delay * depth / 45000
    D = int(rate * delay * 0.001)
    fb, ld = fb / 100, loud / 100
    if invert:
        fb, ld = -fb, -ld
    s = max(int(delay * depth * 1.3107 / speed), 1)
    M = int(float(rate) * delay * depth * 0.65535 + 0.5)
    if (M + 2) >> 16 >= D:
        M = (D - 2) << 16
    ring = np.zeros(D, dtype=np.float32)
    out = np.empty(len(x), dtype=np.float32)
    w, r, o, up = 0, 1, M // 2, True
    for i, xi in enumerate(x.astype(np.float64)):
        a, b = float(ring[r]), float(ring[(r + 1) % D])
        e = a + (b - a) * float(o & 0xFFFF) / 65536.0
        out[i] = f32(xi + e * ld)
        ring[w] = f32(xi + e * fb)
        w = (w + 1) % D
        if up:
            o += s
            if o >= M:
                o, up = M, False
        else:
            o -= s
            if s >= o:
                o, up = s, True
        r = (w + (o >> 16) + 1) % D
    return out


TIMES = [0.2, 0.42, 0.9, 2.15, 3.97, 7.5, 16.2, 20.0]
GAINS = [0.1, 0.495, 0.745, 0.885, 0.94, 0.98, 0.99, 0.992]
COMBS = [(1, 1, 1), (0.923, 0.987, 0.937), (0.872, 0.993, 0.906), (0.782, 0.985, 0.875),
         (0.718, 0.981, 0.812), (0.641, 0.988, 0.75)]


def reverb_ref(x, rate, decay, pre, damp, loud, diff, enc):
    P = int(pre * rate / 1000)
    d = min(math.sqrt(damp / 20), 0.97)
    b = 0.078 - diff / 500
    t = 0.038 / b * decay
    if t >= 20:
        g = 0.992
    else:
        i = next(k for k, tt in enumerate(TIMES) if tt >= t)
        g = 0.2 if i == 0 else GAINS[i - 1] + (GAINS[i] - GAINS[i - 1]) * (t - TIMES[i - 1]) / (TIMES[i] - TIMES[i - 1])
    combs = []
    for frac, gf, df in COMBS:
        dk = d * df
        combs.append([np.zeros(int(rate * b * frac), dtype=np.float32), (1 - dk) * (g * gf), dk, 0.0])
    used = {0: [0, 1, 2, 3, 4, 5], 1: [0, 2, 4], 2: [0]}[enc]
    ap = [np.zeros(int(rate * 0.006), dtype=np.float32), np.zeros(int(rate * 0.005), dtype=np.float32)]
    second = enc != 1
    wet = (loud / 100) / ((g + 1) * 2)
    out = x.astype(np.float32).copy()
    pos = 0  # write position; every line reads at write + 1
    for i in range(len(x) - P):
        xi = float(x[i])
        s = 0.0
        for k in used:
            line = combs[k][0]
            s += float(line[(pos + 1) % len(line)])
        for a, line, on in ((0.7, ap[0], True), (0.67, ap[1], second)):
            if not on:
                continue
            r = float(line[(pos + 1) % len(line)])
            line[pos % len(line)] = f32(s + a * r)
            s = (1 - a * a) * r - a * s
        out[P + i] = f32(float(x[P + i]) + s * wet)
        for k in used:
            line, fbw, dk, z = combs[k]
            rk = float(line[(pos + 1) % len(line)])
            line[pos % len(line)] = f32(xi + fbw * z)
            combs[k][3] = dk * z + rk
        pos += 1
    return out


# Echo: impulse taps at 4409 samples.
imp = np.zeros(20000, dtype=np.float32)
imp[1000] = 1.0
got = run(imp, "echo", [0.1, 50, 50])
want = np.zeros(20000)
want[1000] = 1.0
for k, v in enumerate([0.5, 0.25, 0.125, 0.0625]):
    want[1000 + 4409 * (k + 1)] = v
check("echo impulse", got, want, 0.0)
# Feedback against the closed form: y = x + ld * v[n-K], v = x + fb * v[n-K].
for fb, loud, delay in ((80, 50, 0.03), (99, 100, 0.0101), (0, 34, 0.05), (85, 25, 0.1)):
    K = int(44100 * delay) - 1
    xx = rng.uniform(-0.5, 0.5, 20000)
    v = np.zeros(20000 + K)
    for i in range(20000):
        v[K + i] = xx[i] + fb / 100 * v[i]
    closed = xx + loud / 100 * v[:20000]
    got = run(xx.astype(np.float32), "echo", [delay, fb, loud])
    check(f"echo closed form {fb}/{loud}", got, closed, 1e-5)
    check(f"echo reference {fb}/{loud}", got, echo_ref(xx.astype(np.float32), 44100, delay, fb, loud), 0.0)
done = run(imp, "echo", [0.5, 50, 50], expect_ok=False)
if done.returncode == 0 or "Edit Size Too Small For Effect" not in done.stderr:
    failures.append(f"echo 0.5 s: {done.returncode} {done.stderr!r}")

# Chorus and flange: impulse responses and every built-in preset on noise.
noise = rng.uniform(-0.5, 0.5, 20000).astype(np.float32)
flanges = [(0, 5.0, 20, 20, 10, 30), (1, 6.0, 55, 60, 10, 30), (0, 4.0, 45, 45, 10, 30),
           (1, 5.0, 75, 50, 0.2, 70), (1, 10.0, 75, 50, 40, 80), (1, 3.0, 45, 45, 5, 30),
           (0, 5.0, 50, 50, 1, 20)]
for inv, *rest in flanges:
    check(f"flange {inv} {rest}", run(noise, "flange", rest + [inv]),
          modulate_ref(noise, 44100, *rest, invert=bool(inv)), 1e-5)
choruses = [(10, 50, 50, 0.6, 37), (22, 45, 45, 10, 30), (30, 50, 35, 4, 30), (30, 20, 20, 10, 30),
            (20, 50, 50, 1, 20), (60, 10, 50, 40, 30), (10, 75, 50, 0.2, 70)]
for args in choruses:
    check(f"chorus {args}", run(noise, "chorus", list(args)), modulate_ref(noise, 44100, *args), 1e-5)
check("flange impulse", run(imp, "flange", [5, 75, 50, 0.2, 70, 1]),
      modulate_ref(imp, 44100, 5, 75, 50, 0.2, 70, True), 1e-5)
check("chorus impulse", run(imp, "chorus", [60, 99, 100, 0.1, 99]),
      modulate_ref(imp, 44100, 60, 99, 100, 0.1, 99), 1e-5)
# A sweep maximum limited to 0 (D = 2) stays inside the ring.
check("flange D=2", run(noise[:3000], "flange", [1, 0, 100, 0.1, 99, 0], rate=2990),
      modulate_ref(noise[:3000], 2990, 1, 0, 100, 0.1, 99), 1e-5)

# Reverb: impulse responses of each enclosure; the pre-delay keeps the start dry.
imp = np.zeros(12000, dtype=np.float32)
imp[0] = 1.0
for enc in (0, 1, 2):
    for args in ((2.0, 40, 14, 35, 12), (0.3, 100, 4, 85, 15), (20, 150, 12, 30, 0), (0.2, 12, 8, 30, 20)):
        got = run(imp, "reverb", list(args) + [enc])
        check(f"reverb {enc} {args}", got, reverb_ref(imp, 44100, *args, enc), 1e-5)
        P = int(args[1] * 44100 / 1000)
        if np.any(got[1:P] != 0):
            failures.append(f"reverb {enc} {args}: pre-delay not silent")
check("reverb noise", run(noise[:8000], "reverb", [1.5, 15, 15, 50, 12, 1]),
      reverb_ref(noise[:8000], 44100, 1.5, 15, 15, 50, 12, 1), 1e-5)
done = run(np.zeros(20000, dtype=np.float32), "reverb", [2, 10, 14, 35, 12, 0], rate=100, expect_ok=False)
if done.returncode == 0 or "Bad Parameter For Waveform" not in done.stderr:
    failures.append(f"reverb at 100 Hz: {done.returncode} {done.stderr!r}")

for f in failures:
    print("FAIL", f)
print("effects numpy reference:", "FAILED" if failures else "ok")
sys.exit(1 if failures else 0)
