#!/usr/bin/python3
"""Checks the dsp operations against numpy references written from the
operations' descriptions (double arithmetic, stored as float32). Runs the
orbick_dsp_apply tool on generated sounds; samples outside the affect area and
channels outside the edit channel must come back bit-identical."""
import os
import subprocess
import sys
import tempfile

import numpy as np

TOOL = sys.argv[1]
RATE = 44100
failures = []


def run(channels, data, op, args=(), area=None, mouse=3, edit=None, smooth=None, out_channels=None):
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.f32"), os.path.join(tmp, "out.f32")
        np.concatenate(data).astype("<f4").tofile(src)
        cmd = [TOOL, src, dst, str(channels), str(RATE), op] + [str(a) for a in args]
        if area:
            cmd += ["--area", str(area[0]), str(area[1]), "--mouse-channels", str(mouse)]
        if edit is not None:
            cmd += ["--edit-channel", str(edit)]
        if smooth:
            cmd += ["--smooth", str(smooth[0]), str(smooth[1])]
        subprocess.run(cmd, check=True)
        out = np.fromfile(dst, dtype="<f4")
        return np.split(out, out_channels or channels)


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


rng = np.random.default_rng(1234)
N = 20000
left = (rng.uniform(-0.7, 0.7, N)).astype(np.float32)
right = (0.5 * np.sin(np.arange(N) * 0.01) + 0.1).astype(np.float32)
A, L = 3000, 9001  # the mouse area
area = slice(A, A + L)


def point(x, f):
    y = x.copy()
    seg = x[area].astype(np.float64)
    y[area] = f(seg).astype(np.float32)
    return y


def diff(seg):
    out = seg.copy()
    out[1:] = seg[1:] - seg[:-1]
    return out


def integ(seg):
    out = np.empty_like(seg, dtype=np.float32)
    s = np.float32(seg[0])
    out[0] = s
    for i in range(1, len(seg)):
        s = np.float32(np.float64(seg[i]) + np.float64(s))
        out[i] = s
    return out.astype(np.float64)


def normalize(seg, db):
    peak = max(np.max(np.abs(seg.astype(np.float32))), 2.4e-7)
    return seg * (10 ** (db / 20) / np.float64(np.float32(peak)))


def maximize(seg):
    peak = max(seg.max(), -seg.min())
    if peak == 0 or 0.99999976 <= peak <= 1.0:
        return seg
    return seg * (0.99999976 / peak)


def dcoffset(seg, v):
    d = v if v != 0 else -seg.sum() / len(seg)
    d = min(max(d, -1.0), 1.0)
    if d > 0:
        lim = np.float32(1.0 - d)
        return np.where(seg <= lim, seg + d, 1.0)
    if d < 0:
        lim = np.float32(-1.0 - d)
        return np.where(seg >= lim, seg + d, -1.0)
    return seg


def reverse(seg):
    return seg[::-1]


def rect_half(seg):
    return np.where(seg < 0, 0.0, seg)


cases = [
    ("gain", [-6.5], lambda s: s * 10 ** (-6.5 / 20)),
    ("gain", [12.0], lambda s: s * 10 ** (12.0 / 20)),
    ("normalize", [-1.0], lambda s: normalize(s, -1.0)),
    ("maximize", [], maximize),
    ("dcoffset", [12.5, 2], lambda s: dcoffset(s, 0.125)),
    ("dcoffset", [-16384, 1], lambda s: dcoffset(s, -0.5)),
    ("dcoffset", [0, 2], lambda s: dcoffset(s, 0.0)),
    ("invert", [], lambda s: -s),
    ("rectifyfull", [], np.abs),
    ("rectifyhalf", [], rect_half),
    ("mute", [], np.zeros_like),
    ("reverse", [], reverse),
    ("differentiate", [], diff),
    ("integrate", [], integ),
]

# Mono and stereo, whole wave and a mouse area on one channel.
for op, args, ref in cases:
    (got,) = run(1, [left], op, args)
    check(f"{op}{args} mono", got, ref(left.astype(np.float64)).astype(np.float32))
    gl, gr = run(2, [left, right], op, args, area=(A, L), mouse=2)
    check(f"{op}{args} left untouched", gl, left)
    check(f"{op}{args} right area", gr, point(right, ref))
    gl, gr = run(2, [left, right], op, args, edit=1)
    check(f"{op}{args} edit left", gl, ref(left.astype(np.float64)).astype(np.float32))
    check(f"{op}{args} right untouched", gr, right)

# Edge smoothing: crossfade from the unprocessed sound at the start and back
# at the end, N = rate x ms / 1000 capped at half the area.
def smoothed(orig, processed, n, opts):
    out = processed.astype(np.float64).copy()
    o = orig.astype(np.float64)
    d = 1.0 / n
    if opts & 0x0800:
        w = 1.0
        for i in range(n):
            out[i] = (1 - w) * processed[i] + w * o[i]
            w = max(w - d, 0.0)
    if opts & 0x1000:
        w = 0.0
        for i in range(len(o) - n, len(o)):
            out[i] = (1 - w) * processed[i] + w * o[i]
            w = min(w + d, 1.0)
    return out.astype(np.float32)


for opts, ms, length in [(0x0800, 10, 9001), (0x1000, 10, 9001), (0x1800, 10, 600), (0x1800, 3, 9001)]:
    n = min(int(RATE * ms * 0.001), length // 2)
    gl, gr = run(2, [left, right], "gain", [6.0], area=(A, length), mouse=1, smooth=(opts, ms))
    seg = left[A:A + length]
    proc = (seg.astype(np.float64) * 10 ** (6 / 20)).astype(np.float32)
    want = left.copy()
    want[A:A + length] = smoothed(seg, proc, n, opts)
    check(f"smoothing {opts:#x} {ms} ms area {length}", gl, want)
    check(f"smoothing {opts:#x} right untouched", gr, right)

# Stereo to mono, all five choices.
lr = [left * 1.2, right]
for choice in range(1, 6):
    out = run(2, lr, "stereomono", [choice], out_channels=2 if choice == 5 else 1)
    a, b = lr[0].astype(np.float64), lr[1].astype(np.float64)
    if choice == 5:
        check("stereomono swap", np.concatenate(out), np.concatenate([lr[1], lr[0]]))
        continue
    want = {1: a, 2: b, 3: np.clip(a + b, -1, 1), 4: np.clip(a - b, -1, 1)}[choice]
    check(f"stereomono {choice}", out[0], want.astype(np.float32))
    if len(out) != 1:
        failures.append("stereomono: still stereo")

# Replicate: the area followed by q copies and the first rem samples of it.
for amount, unit in [(2.5, 2), (0.1, 0), (30, 1)]:
    gl, gr = run(2, [left, right], "replicate", [amount, unit], area=(A, 1000), mouse=1)
    n = int(1000 * amount) if unit == 2 else int(RATE * (amount / 1000 if unit == 1 else amount))
    for got, x in ((gl, left), (gr, right)):
        seg = x[A:A + 1000]
        reps = np.concatenate([np.tile(seg, n // 1000), seg[: n % 1000]])
        check(f"replicate {amount} {unit}", got, np.concatenate([x[:A + 1000], reps, x[A + 1000:]]))

# Insert silence at each place.
for place, point_at in [(1, 0), (2, N), (3, A), (4, A + 500), (0, 777)]:
    gl, = run(1, [left], "insertsilence", [0.5, 1, place, 777], area=(A, 500), mouse=1)
    n = int(RATE * 0.0005)
    check(f"insert silence place {place}", gl,
          np.concatenate([left[:point_at], np.zeros(n, np.float32), left[point_at:]]))

# Combine with itself at an offset (result longer than the base) and with a
# shorter source (written within the base's length).
for offset, order, mix, keep in [(5000, 1, 30, N), (5000, 0, 30, N), (100, 1, 100, 3000), (0, 1, 50, N)]:
    (got,) = run(1, [left], "combine", [offset, order, mix, keep])
    base = left.astype(np.float64)
    other = left[:keep].astype(np.float64)
    w = mix / 100.0
    if order == 0:
        w = 1 - w
    w = min(max(w, 0.001), 0.999)
    length = max(N, offset + keep)
    want = np.zeros(length)
    want[:N] = base * w
    want[offset:offset + keep] += other * (1 - w)
    check(f"combine {offset} {order} {mix} {keep}", got, want.astype(np.float32), 0.0)

# Unclip: a clipped sine is rebuilt above full scale, toward the true peak,
# and the samples that were not clipped stay as they were.
t = np.arange(N)
sine = (1.3 * np.sin(2 * np.pi * t / 400.0)).astype(np.float32)
clipped = np.clip(sine, -1.0, 1.0).astype(np.float32)
(got,) = run(1, [clipped], "unclip")
good = np.abs(clipped) < 0.99999976
check("unclip leaves unclipped samples", got[good], clipped[good])
err_before = np.max(np.abs(clipped - sine))
err_after = np.max(np.abs(got[50:-50] - sine[50:-50]))
if not (np.max(got) > 1.2 and err_after < 0.2 * err_before):
    failures.append(f"unclip: peak {np.max(got)}, error {err_after} (was {err_before})")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("all dsp operations match their references")
