#!/usr/bin/python3
"""Delete and Trim on each affect area, with undo, and clip files, through
`orbick --batch`. Inputs are written and results read with libsndfile
(python3-soundfile); the expected frames are numpy slices of the input.

usage: clips_macros.py ORBICK"""
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


def run(folder, name, body):
    path = os.path.join(folder, name + ".bas")
    with open(path, "w") as f:
        f.write("Sub Main ()\n    e = obOpenEditor()\n    obSetFormatType OB_FORMAT_WAV32\n"
                '    r = obOpenWave(e, "in.wav")\n' + body + "End Sub\n")
    config = os.path.join(folder, "config-" + name)
    os.makedirs(config)
    env = dict(os.environ)
    env.pop("ORBICK_HOME", None)
    done = subprocess.run([ORBICK, "--batch", path, "--config-dir", config], cwd=folder,
                          capture_output=True, text=True, env=env, timeout=120)
    check(done.returncode == 0, "%s: status %d\n%s%s" % (name, done.returncode, done.stdout,
                                                          done.stderr))
    return done.stdout.split()


def read(folder, name):
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        check(False, "missing " + name)
        return None
    return sf.read(path, dtype="float32", always_2d=True)


rng = np.random.default_rng(5)
x = rng.uniform(-0.9, 0.9, size=(1000, 2)).astype(np.float32)

with tempfile.TemporaryDirectory() as folder:
    sf.write(os.path.join(folder, "in.wav"), x, 32000, subtype="FLOAT")
    # affect area: (setup lines, the area's first frame and length)
    areas = {
        "all": ("    obSetAffectType OB_AFFECT_ALL\n", 0, 1000),
        # without a window In View covers two frames from the view's start
        "inview": ("    obSetAffectType OB_AFFECT_INVIEW\n", 0, 2),
        "markers": ("    obSetAffectType OB_AFFECT_MARKERS\n    obSetMarker e, 0, 700\n"
                    "    obSetMarker e, 1, 250\n", 250, 451),
        # no mouse area yet: the first frame
        "mouse": ("    obSetAffectType OB_AFFECT_MOUSE\n", 0, 1),
    }
    for area, (setup, start, length) in areas.items():
        for op in ("obDeleteAffectArea", "obTrim", "obRemove"):
            name = "%s-%s" % (op, area)
            words = run(folder, name, setup + "    Print %s(e)\n" % op +
                        '    r = obSaveAsWave(e, "%s.wav")\n' % name +
                        "    Print obUndoWave(e)\n" +
                        '    r = obSaveAsWave(e, "%s-undo.wav")\n' % name)
            whole = length == 1000
            check(words[:1] == (["0"] if whole else ["1"]), "%s result %s" % (name, words))
            got = read(folder, name + ".wav")
            if op == "obTrim":
                want = x if whole else x[start:start + length]
            else:
                want = x if whole else np.concatenate([x[:start], x[start + length:]])
            if got is not None:
                check(got[1] == 32000, name + " rate")
                check(got[0].shape == want.shape and np.array_equal(got[0], want),
                      "%s frames %s, want %s" % (name, got[0].shape, want.shape))
            undone = read(folder, name + "-undo.wav")
            if undone is not None and not whole:
                check(np.array_equal(undone[0], x), name + " undo")

    # Clip files: a 16-bit mono file made by sox is loaded as a clip and
    # saved by number and by name in the default format (WAV 32 bit).
    clip = os.path.join(folder, "clip.wav")
    subprocess.run(["sox", "-n", "-r", "11025", "-b", "16", "-c", "1", clip, "synth", "0.1",
                    "sine", "440", "vol", "0.5"], check=True)
    ref = sf.read(clip, dtype="float32")[0]
    words = run(folder, "clips",
                '    c = obLoadClip(e, "clip.wav")\n'
                '    d = obLoadClip(e, "in.wav")\n'
                '    Print c, d, obLoadClip(e, "none.wav")\n'
                '    Print obSaveClipByID(e, c, "byid.wav")\n'
                # neither file names its sound: both clips are "Untitled",
                # and the newest (in.wav) is found first
                '    Print obSaveClipByName(e, "untitled", "byname.wav")\n'
                '    Print obSaveClipByID(e, 99, "no.wav"), obSaveClipByName(e, "no", "no.wav")\n'
                "    r = obCloseEditor(e)\n"
                "    f = obOpenEditor()\n"
                '    Print obSaveClipByID(f, c, "afterclose.wav")\n')
    check(words == ["1", "2", "0", "1", "1", "0", "0", "1"], "clip results %s" % words)
    for name, want, rate in (("byid.wav", ref, 11025), ("afterclose.wav", ref, 11025),
                             ("byname.wav", x, 32000)):
        got = read(folder, name)
        if got is None:
            continue
        info = sf.info(os.path.join(folder, name))
        check(info.subtype == "FLOAT" and got[1] == rate, name + " format %s" % info)
        data = got[0][:, 0] if want.ndim == 1 else got[0]
        check(data.shape == want.shape and np.array_equal(data, want), name + " samples")
    # sox reads the saved clip as the same samples.
    out = subprocess.run(["sox", os.path.join(folder, "byid.wav"), "-t", "f32", "-"],
                         capture_output=True, check=True).stdout
    check(np.array_equal(np.frombuffer(out, dtype="<f4"), ref), "sox reads the clip file")
    check(not os.path.exists(os.path.join(folder, "no.wav")), "no file for a missing clip")

print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
