#!/usr/bin/python3
"""Auto Locate against a reference written from its description: candidates
on the multiplier grid from max(position, offset) rounded up, the level
window, and the rising/falling/equal tests against the previous sample (the
next one at frame 0, judged the other way round); both channels must pass."""
import itertools
import os
import subprocess
import sys
import tempfile

import numpy as np

TOOL = sys.argv[1]
failures = []


def reference(chans, mult, offset, lo, hi, flags, pos):
    n = chans[0].size
    if n < 2 or mult == 0 or pos < 0 or pos > n - 1:
        return -1
    start = max(pos, offset)
    if mult >= 2:
        start = -(-start // mult) * mult
    if start > n - 1:
        return -1
    if not flags & 4 and flags & 56 == 56:
        return start
    for c in range(start, n, mult):
        ok = True
        for s in chans:
            v = np.float32(s[c])
            nb = np.float32(s[c - 1] if c > 0 else s[1])
            rising = v > nb if c > 0 else v < nb
            falling = v < nb if c > 0 else v > nb
            level = not flags & 4 or (np.float64(lo) <= v <= np.float64(hi))
            slope = (flags & 8 and rising) or (flags & 16 and falling) or (flags & 32 and v == nb)
            if not (level and slope):
                ok = False
                break
        if ok:
            return c
    return -1


def channels_for(stereo, mouse, edit):
    present = 3 if stereo else 1
    bits = (mouse if mouse else edit) & present
    return bits or 1


rng = np.random.default_rng(7)
N = 3000
# Quantised noise so equal neighbours occur, plus a slow sine.
left = (np.round(rng.standard_normal(N) * 3) / 8).astype(np.float32)
right = np.sin(np.arange(N) * 0.05).astype(np.float32)
right[100:140] = 0.25  # a flat run: only "Zero" accepts it
positions = [0, 1, 5, 99, 100, 101, 777, 1500, N - 3, N - 2, N - 1, N, N + 5]


def run(path, stereo, lines):
    text = "".join(" ".join(str(v) for v in line) + "\n" for line in lines)
    return subprocess.run([TOOL, path, "2" if stereo else "1"], input=text, check=True,
                          capture_output=True, text=True).stdout.split()


cases = 0
with tempfile.TemporaryDirectory() as tmp:
    for stereo in (False, True):
        path = os.path.join(tmp, "w.f32")
        data = [left, right] if stereo else [left]
        np.concatenate(data).astype("<f4").tofile(path)
        lines, wants = [], []
        for mult, offset, (lo, hi), flags, (mouse, edit) in itertools.product(
                (0, 1, 4, 64), (0, 2990), ((0.0, 0.0), (-0.2, 0.3), (0.5, -0.5)),
                (56, 8, 16, 32, 4 | 8, 4 | 56, 0),
                ((0, 3), (0, 2), (1, 3), (2, 1), (0, 0))):
            if not stereo and mouse == 2:
                continue
            used = channels_for(stereo, mouse, edit)
            chans = [c for bit, c in ((1, left), (2, right)) if used & bit]
            for p in positions:
                lines.append((mult, offset, repr(lo), repr(hi), flags, mouse, edit, p))
                wants.append(reference(chans, mult, offset, lo, hi, flags, p))
        got = run(path, stereo, lines)
        if len(got) != len(lines):
            failures.append(f"stereo={stereo}: {len(got)} results for {len(lines)} lines")
        for line, g, w in zip(lines, got, wants):
            cases += 1
            if int(g) != w:
                failures.append(f"stereo={stereo} {line}: {g} != {w}")

# The documented examples: multiplier 4 from position 5 gives 8; "Positive"
# alone at frame 0 compares with frame 1.
with tempfile.TemporaryDirectory() as tmp:
    path = os.path.join(tmp, "e.f32")
    np.array([0.5, 0.1, 0.2, 0.1, 0.0, 0.0, 0.0, 0.0, 0.3, 0.4], dtype="<f4").tofile(path)
    out = run(path, False, [(4, 0, 0, 0, 56, 0, 3, 5)])
    if out != ["8"]:
        failures.append(f"multiplier 4 from 5: {out}")
    out = run(path, False, [(1, 0, 0, 0, 8, 0, 3, 0), (1, 0, 0, 0, 8, 0, 3, 1)])
    # frame 0 (0.5) is above frame 1 so it counts as falling; frame 2 rises.
    if out != ["2", "2"]:
        failures.append(f"positive only: {out}")

print(f"{cases} cases")
if failures:
    print("\n".join(failures[:20]))
    print(f"{len(failures)} failures")
    sys.exit(1)
