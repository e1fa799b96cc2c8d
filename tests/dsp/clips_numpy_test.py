#!/usr/bin/python3
"""Clip pastes, replaces and cuts, Delete, Trim and Shuffle on random sounds,
against numpy slicing written from what each edit does; each edit undone
must give back the input bit for bit."""
import os
import subprocess
import sys
import tempfile

import numpy as np

TOOL = sys.argv[1]
rng = np.random.default_rng(18)


def run(x, op, *args, undo=False):
    with tempfile.TemporaryDirectory() as d:
        src, dst = os.path.join(d, "in.f32"), os.path.join(d, "out.f32")
        x.astype("<f4").tofile(src)
        cmd = [TOOL, src, dst, str(x.shape[0]), op] + [str(a) for a in args]
        if undo:
            cmd.append("--undo")
        subprocess.run(cmd, check=True)
        y = np.fromfile(dst, dtype="<f4")
        return y.reshape(x.shape[0], -1)


def reference(x, op, a):
    n = x.shape[1]
    if op == "delete":
        s, l = a[0], min(a[1], n - a[0])
        return np.concatenate([x[:, :s], x[:, s + l:]], axis=1)
    if op == "trim":
        s, l = a[0], min(a[1], n - a[0])
        return x[:, s:s + l]
    if op in ("paste", "replace"):
        at, f, last = min(a[0], n), min(a[1], a[2]), min(max(a[1], a[2]), n - 1)
        clip = x[:, f:last + 1]
        if op == "paste":
            return np.concatenate([x[:, :at], clip, x[:, at:]], axis=1)
        end = at + clip.shape[1]
        if end <= n:
            y = x.copy()
            y[:, at:end] = clip
            return y
        return np.concatenate([x[:, :at], clip], axis=1)
    if op == "cut":
        return np.concatenate([x[:, :a[0]], x[:, a[1] + 1:]], axis=1)
    if op == "shuffle":
        s, l, ch, p = a
        y = x.copy()
        for c in range(x.shape[0]):
            if not ch & (1 << c):
                continue
            area = x[c, s:s + l]
            if p > s + l:
                y[c, s:p] = np.concatenate([x[c, s + l:p], area])
            elif p < s:
                y[c, p:s + l] = np.concatenate([area, x[c, p:s]])
        return y
    raise ValueError(op)


failures = 0
cases = 0
for trial in range(40):
    channels = 1 + trial % 2
    n = int(rng.integers(20, 5000))
    x = rng.uniform(-1, 1, size=(channels, n)).astype(np.float32)
    s = int(rng.integers(0, n - 2))
    l = int(rng.integers(1, n - s))
    if l >= n:
        l = n - 1
    f, last = sorted(int(v) for v in rng.integers(0, n, size=2))
    at = int(rng.integers(0, n + 10))
    p = int(rng.integers(0, n + 1))
    ops = [("delete", (s, l)), ("trim", (s, l)), ("paste", (at, f, last)),
           ("replace", (at, f, last)), ("shuffle", (s, l, 1 + trial % 3 if channels == 2 else 1, p))]
    if last - f + 1 < n:
        ops.append(("cut", (f, last)))
    if s == 0 and l >= n:
        ops = [o for o in ops if o[0] not in ("delete", "trim")]
    for op, a in ops:
        cases += 1
        want = reference(x, op, a)
        got = run(x, op, *a)
        if got.shape != want.shape or not np.array_equal(got, want):
            failures += 1
            print("FAIL", op, a, "channels", channels, "frames", n, got.shape, want.shape)
        back = run(x, op, *a, undo=True)
        if not np.array_equal(back, x):
            failures += 1
            print("FAIL undo", op, a)
print(f"{cases} edits, {failures} failures")
sys.exit(1 if failures else 0)
