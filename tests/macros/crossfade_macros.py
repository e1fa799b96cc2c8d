#!/usr/bin/python3
"""Loop crossfade through `orbick --batch`: obCrossfadeLoop in every fade area,
linear and logarithmic, with and without Tailor Edges, on the sustain and the
release loop, stereo with either edit channel, against a numpy transcription
of the blend rules; refusals leave the wave as it was; undo restores it bit
for bit while the affect area lies elsewhere.

usage: crossfade_macros.py ORBICK"""
import os
import subprocess
import sys
import tempfile

import numpy as np
import soundfile as sf

ORBICK = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(folder, body, name, source="in.wav"):
    path = os.path.join(folder, name + ".bas")
    with open(path, "w") as f:
        f.write('Sub Main ()\n    e = obOpenEditor()\n    obOpenWave e, "%s"\n' % source + body +
                "    obSetFormatType OB_FORMAT_WAV32\n"
                '    r = obSaveAsWave(e, "%s.wav")\nEnd Sub\n' % name)
    config = os.path.join(folder, "config-" + name)
    os.makedirs(config)
    env = dict(os.environ)
    env.pop("ORBICK_HOME", None)
    done = subprocess.run([ORBICK, "--batch", path, "--config-dir", config], cwd=folder,
                          capture_output=True, text=True, env=env, timeout=120)
    check(done.returncode == 0, "%s: status %d\n%s%s" % (name, done.returncode, done.stdout,
                                                         done.stderr))
    out, _ = sf.read(os.path.join(folder, name + ".wav"), dtype="float32", always_2d=True)
    return done, out


def blend(y, x, w, log):
    if log:
        return np.float32(((1024.0 - w) * float(y) + w * float(x)) / 1024.0)
    return np.float32((1.0 - w) * float(y) + w * float(x))


def reference(channel, loop_start, loop_end, amount, area, tailor, log):
    """The crossfade of one channel, transcribed from the rules."""
    y = channel.copy()
    n = len(y)
    s = 0 if loop_start == 0 else loop_start - 1
    e = loop_end
    if s < 2 or s + 3 >= e or e >= n or s >= n:
        return None
    half = (e - s + 1) // 2
    F = s if amount < 2 else amount
    F = min(F, half, s)
    t = min(n - e, F)
    strength = 0.5 if area == 2 else 1.0

    def first_step(count):
        return (1024.0 * strength) ** (1.0 / count) if log else strength / count

    limit = 1024.0 * strength if log else strength

    def rise(dst, src, count, source):
        step = first_step(count)
        w = step
        for i in range(count):
            y[dst + i] = blend(y[dst + i], source[src + i], w, log)
            w = w * step if log else w + step
            w = min(w, limit)
        return w, step

    def fall(dst, src, count, source, w, step):
        for i in range(count):
            y[dst + i] = blend(y[dst + i], source[src + i], w, log)
            w = w / step if log else w - step
            w = max(w, 0.0)

    if area in (0, 2):
        copy = y.copy()  # the unchanged samples Both reads in its second pass
        w, step = rise(s - F, e - F, F, y)
        if tailor and t > 0:
            step = first_step(t)
        fall(s, e, t, y, w, step)
        if area == 2:
            w, step = rise(e - F, s - F, F, copy)
            if tailor and t > 0:
                step = first_step(t)
            fall(e, s, t, copy, w, step)
    else:
        w, step = rise(e - F, s - F, F, y)
        if tailor and 0 < n - e < F:
            step = first_step(n - e)
        fall(e, s, n - e, y, w, step)
    return y


with tempfile.TemporaryDirectory() as tmp:
    rng = np.random.default_rng(48)
    n = 12000
    sound = np.stack([rng.uniform(-0.9, 0.9, n), rng.uniform(-0.9, 0.9, n)], axis=1).astype(np.float32)
    sf.write(os.path.join(tmp, "in.wav"), sound, 44100, subtype="FLOAT")

    cases = []
    for area in (0, 1, 2):
        for log in (0, 1):
            for tailor in (0, 1):
                # A loop in the middle; one that ends 20 frames before the end
                # (tailoring to the 20 frames after the seam); amount 0 (as
                # long as the loop allows).
                cases.append((1000, 5000, 50, area, tailor, 1, log, 3))
                cases.append((3000, n - 21, 300, area, tailor, 0, log, 3))
                cases.append((200, 260, 0, area, tailor, 1, log, 3))
    cases.append((1000, 5000, 80, 2, 0, 1, 0, 1))   # left only
    cases.append((1000, 5000, 80, 0, 1, 1, 1, 2))   # right only
    cases.append((1000, n - 1, 50, 0, 0, 1, 0, 3))  # ends at the last frame: t = 0
    for k, (ls, le, amount, area, tailor, sustain, log, channels) in enumerate(cases):
        role = 1 if sustain else 2
        body = ("    obSetLoop e, 4, %d, %d, 0, %d\n    obSetEditChannel %d\n"
                "    Print obCrossfadeLoop(e, %d, %d, %d, %d, %d)\n" %
                (ls, le, role, channels, area, amount, tailor, sustain, log))
        name = "case%d" % k
        done, out = run(tmp, body, name)
        check(done.stdout.split() == ["1"], "%s result %r %s" % (name, done.stdout, done.stderr))
        for c in (0, 1):
            want = sound[:, c]
            if channels & (1 << c):
                want = reference(sound[:, c], ls, le, amount, area, tailor, log)
            diff = np.flatnonzero(out[:, c] != want)
            check(diff.size == 0, "%s %r channel %d: %d frames differ, first %r" %
                  (name, cases[k], c, diff.size, diff[:5]))
        check(np.any(out != sound), "%s changed nothing" % name)

    # The documented figures: weights 0.02 .. 1.0 over 949..998 toward
    # 4950..4999, then 1.0 .. 0.02 over 999..1048 toward 5000..5049.
    done, out = run(tmp, "    obSetLoop e, 0, 1000, 5000, 0, 1\n"
                    "    Print obCrossfadeLoop(e, 0, 50, 0, 1, 0)\n", "figures")
    w = np.arange(1, 51) / 50.0
    x = sound[:, 0].astype(np.float64)
    want_rise = (1 - w) * x[949:999] + w * x[4950:5000]
    want_fall = (1 - w[::-1]) * x[999:1049] + w[::-1] * x[5000:5050]
    check(np.max(np.abs(out[949:999, 0] - want_rise)) < 1e-6, "documented rise")
    check(np.max(np.abs(out[999:1049, 0] - want_fall)) < 1e-6, "documented fall")
    check(np.array_equal(out[:949], sound[:949]) and np.array_equal(out[1049:], sound[1049:]),
          "frames outside 949..1048 changed")

    # Refusals: a loop starting at frame 2 (s = 1), no release loop, a loop
    # ending at the last frame is fine but one reaching past it is clamped.
    for name, body in (("early", "    obSetLoop e, 0, 2, 5000, 0, 1\n"
                                 "    Print obCrossfadeLoop(e, 0, 50, 0, 1, 0)\n"),
                       ("norelease", "    obSetLoop e, 0, 1000, 5000, 0, 1\n"
                                     "    Print obCrossfadeLoop(e, 0, 50, 0, 0, 0)\n"),
                       ("short", "    obSetLoop e, 0, 1000, 1002, 0, 1\n"
                                 "    Print obCrossfadeLoop(e, 0, 50, 0, 1, 0)\n"),
                       ("badarea", "    obSetLoop e, 0, 1000, 5000, 0, 1\n"
                                   "    Print obCrossfadeLoop(e, 3, 50, 0, 1, 0)\n"),
                       ("negative", "    obSetLoop e, 0, 1000, 5000, 0, 1\n"
                                    "    Print obCrossfadeLoop(e, 0, -5, 0, 1, 0)\n")):
        done, out = run(tmp, body, name)
        check(done.stdout.split() == ["0"], "%s result %r" % (name, done.stdout))
        check(np.array_equal(out, sound), "%s changed the wave" % name)
        if name in ("early", "norelease", "short"):
            check("Can't crossfade this loop" in done.stderr, "%s message %r" % (name, done.stderr))

    # Undo while the affect area (markers 0..1 at 10000..10100, edit channel
    # left) lies away from the loop: the whole crossfade, both channels, comes
    # back bit for bit.
    for area in (0, 1, 2):
        body = ("    obSetLoop e, 0, 1000, 5000, 0, 1\n    obSetMarker e, 0, 10000\n"
                "    obSetMarker e, 1, 10100\n    obSetAffectType OB_AFFECT_MARKERS\n"
                "    obSetEditChannel 3\n    obBackups 5\n"
                "    Print obCrossfadeLoop(e, %d, 500, 1, 1, 1)\n    Print obUndoWave(e)\n" % area)
        done, out = run(tmp, body, "undo%d" % area)
        check(done.stdout.split() == ["1", "1"], "undo%d results %r" % (area, done.stdout))
        check(np.array_equal(out, sound), "undo%d: not the original wave" % area)

print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
