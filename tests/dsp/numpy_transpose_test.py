#!/usr/bin/python3
"""Checks sample-rate transpose against numpy references written from the
algorithm's description: the integer-period recurrences (period = 1e9 / rate
truncated) of linear interpolation (bit for bit) and of the windowed-sinc
resample (to 1e-6: the kernel's sin and cos come from another library), over
the whole sound and, for quick pitch, over an area of a stereo sound."""
import math
import os
import subprocess
import sys
import tempfile

import numpy as np

TOOL = sys.argv[1]
failures = []


def run(data, rate, args, area=None):
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.f32"), os.path.join(tmp, "out.f32")
        np.concatenate(data).astype("<f4").tofile(src)
        cmd = [TOOL, src, dst, str(len(data)), str(rate), "transpose"] + [str(a) for a in args]
        if area:
            cmd += ["--area", str(area[0]), str(area[1]), "--mouse-channels", "3"]
        subprocess.run(cmd, check=True)
        return np.split(np.fromfile(dst, dtype="<f4"), len(data))


def check(name, got, want, tol=0.0):
    got = np.asarray(got, dtype=np.float32)
    want = np.asarray(want, dtype=np.float32)
    if got.shape != want.shape:
        failures.append(f"{name}: shape {got.shape} != {want.shape}")
        return
    if tol == 0.0:
        bad = np.flatnonzero(got.view(np.uint32) != want.view(np.uint32))
    else:
        bad = np.flatnonzero(np.abs(got.astype(np.float64) - want) > tol)
    if bad.size:
        i = bad[0]
        failures.append(f"{name}: {bad.size} samples differ, first at {i}: {got[i]!r} != {want[i]!r}")


def period(r):
    return 10**9 // r


def new_length(length, r, q):
    return int(float(q) / float(r) * float(length))


def linear(x, r, q):
    n = len(x)
    m = new_length(n, r, q)
    P, p = period(r), period(q)
    y = np.empty(m, dtype=np.float32)
    y[0] = x[0]
    i = a = 0
    for j in range(1, m):
        a += p
        i += a // P
        a %= P
        if i < n - 1:
            x0 = float(x[i])
            y[j] = np.float32(x0 + (float(x[i + 1]) - x0) * float(a) / float(P))
        else:
            y[j] = x[n - 1]
    return y


H = [1.0 if k == 0 else 0.0 if k % 32 == 0 else
     math.sin(math.pi * k / 32.0) / (math.pi * k / 32.0) * (0.54 + 0.46 * math.cos(math.pi * k / 192.0))
     for k in range(193)]


def kernel(x, i, ph):
    n = len(x)
    s = float(x[i]) * H[ph] if 0 <= i < n else 0.0
    for k in range(1, 7):
        if 0 <= i + k < n:
            s += float(x[i + k]) * H[32 * k - ph]
    for k in range(1, 6):
        if 0 <= i - k < n:
            s += float(x[i - k]) * H[32 * k + ph]
    return s


def resample(x, r, q):
    n = len(x)
    m = new_length(n, r, q)
    P, p = period(r), period(q)
    qq = P >> 5
    y = np.empty(m, dtype=np.float32)
    a, i = -p, 0
    for j in range(m):
        a += p
        i += a // P
        a %= P
        ph, rr = a // qq, a % qq
        c = kernel(x, i, ph)
        d = kernel(x, i + 1, 0) if ph >= 31 else kernel(x, i, ph + 1)
        y[j] = np.float32(c + (d - c) * rr / qq)
    return y


rng = np.random.default_rng(22)
x = rng.uniform(-0.9, 0.9, 3001).astype(np.float32)
tone = (0.6 * np.sin(np.arange(2500) * 0.3)).astype(np.float32)

for r, q in [(22050, 44100), (44100, 32000), (44100, 48000), (48000, 11025), (31250, 44100)]:
    for method, ref, tol in [(0, linear, 0.0), (1, resample, 1e-6)]:
        got = run([x], r, [q, method, 0])
        check(f"method {method} {r}->{q}", got[0], ref(x, r, q), tol)

# Stereo: both channels, each its own.
got = run([x[:2500], tone], 44100, [22050, 1, 0])
check("stereo left", got[0], resample(x[:2500], 44100, 22050), 1e-6)
check("stereo right", got[1], resample(tone, 44100, 22050), 1e-6)

# Quick pitch +70 cents over an area: the rest of both channels moves as is.
R = 44100
Q = int(R / 2 ** (70 / 1200) + 0.5)
A, L = 400, 1700
got = run([x[:2500], tone], R, [Q, 3, 0], area=(A, L))
N = new_length(L, R, Q)
for c, src in enumerate([x[:2500], tone]):
    want = np.concatenate([src[:A], linear(src[A:A + L], R, Q), src[A + L:]])
    check(f"quick pitch channel {c}", got[c], want)

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("transpose numpy references: all match")
