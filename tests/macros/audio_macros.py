#!/usr/bin/python3
"""Playback macros through `orbick --batch` with the file device
(ORBICK_AUDIO=file:OUT.wav,...,clock=virtual): what the macro plays is read
back with libsndfile and compared with frames numpy computes from the
playback rules (float samples times 32767, truncated; loops; attenuation by
shifts; linear interpolation in 1/8192 steps at a missing rate).

usage: audio_macros.py ORBICK
"""
import os
import struct
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


def run(folder, macro, audio, config=None, name="m.bas"):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write(macro)
    config = config or os.path.join(folder, "config")
    os.makedirs(config, exist_ok=True)
    env = dict(os.environ)
    env.pop("ORBICK_HOME", None)
    env["ORBICK_AUDIO"] = audio
    done = subprocess.run([ORBICK, "--batch", path, "--config-dir", config], cwd=folder,
                          capture_output=True, text=True, env=env, timeout=120)
    check(done.returncode == 0, "%s: status %d\n%s%s" % (name, done.returncode, done.stdout, done.stderr))
    return done


def out16(x):
    """The player's 16-bit conversion of float32 samples."""
    v = x.astype(np.float32) * np.float32(32767)
    v = np.where(v >= 32767, 32767, np.where(v <= -32768, -32768, np.trunc(v)))
    return v.astype(np.int32)


def played(path, n):
    data, rate = sf.read(path, dtype="int16", always_2d=True)
    check(not data[n:].any(), "%s: sound after frame %d" % (path, n))
    return data[:n].astype(np.int32), rate


def play_prefs_file(path, fields):
    record = struct.pack("<10i", *fields)
    with open(path, "wb") as f:
        f.write(b"FRBk" + struct.pack("<I", len(record) + 12) + b"PRES" + b"PLP0" +
                struct.pack("<I", len(record)) + record)


with tempfile.TemporaryDirectory() as tmp:
    rng = np.random.default_rng(16)
    ints = rng.integers(-30000, 30000, size=(3000, 2)).astype(np.int16)
    sf.write(os.path.join(tmp, "in.wav"), ints, 44100, subtype="PCM_16")
    x = ints.astype(np.float32) / np.float32(32768)  # what the WAV reader makes of them
    out = os.path.join(tmp, "out.wav")
    device = "file:%s,clock=virtual" % out

    # Play: every frame once, both channels; obStopPlay answers 1.
    done = run(tmp, """Sub Main ()
    e = obOpenEditor()
    obOpenWave e, "in.wav"
    Print obPlay(e)
End Sub
""", device, name="play.bas")
    check(done.stdout.split() == ["1"], "play output: %r %r" % (done.stdout, done.stderr))
    got, rate = played(out, 3000)
    check(rate == 44100 and np.array_equal(got, out16(x)), "play all: frames differ")

    # Play Affect over markers 0..1 (frames 100..199), looped three times
    # (the default iterations); then a play preference file with iterations 1
    # and -12 dB, loaded by obLoadPlayPrefs.
    done = run(tmp, """Sub Main ()
    e = obOpenEditor()
    obOpenWave e, "in.wav"
    obSetMarker e, 0, 100
    obSetMarker e, 1, 199
    obSetAffectType OB_AFFECT_MARKERS
    Print obPlayAffect(e)
End Sub
""", device, name="affect.bas")
    got, _ = played(out, 300)
    check(np.array_equal(got, np.tile(out16(x[100:200]), (3, 1))), "play affect: frames differ")

    play_prefs_file(os.path.join(tmp, "quiet.obx"), [1, 0, 0, 1, 0, 0, 1, 1, 0, 12])
    done = run(tmp, """Sub Main ()
    Print obLoadPlayPrefs("quiet.obx"), obLoadPlayPrefs("none.obx")
    e = obOpenEditor()
    obOpenWave e, "in.wav"
    Print obPlayLoop(e)
    Print obStopPlay()
End Sub
""", device, name="prefs.bas")
    check(done.stdout.split() == ["1", "0", "1", "1"], "prefs output: %r %r" % (done.stdout, done.stderr))
    data, _ = sf.read(out, dtype="int16", always_2d=True)
    check(data.shape[1] == 1, "Left Only: %d channels" % data.shape[1])
    # obStopPlay may cut the loop short: what did play is the left channel at -12 dB.
    n = min(len(data), 3000)
    check(n > 0 and np.array_equal(data[:n, 0].astype(np.int32), out16(x[:n, 0]) >> 2),
          "attenuated left channel differs")

    # "orbick.play" in the settings folder: transpose +12 on a device that
    # takes only 44100 Hz plays every second frame.
    config = os.path.join(tmp, "config_play")
    os.makedirs(config)
    play_prefs_file(os.path.join(config, "orbick.play"), [1, 12, 0, 0, 0, 0, 2, 1, 0, 0])
    run(tmp, """Sub Main ()
    e = obOpenEditor()
    obOpenWave e, "in.wav"
    obPlay e
End Sub
""", "file:%s,rates=44100,clock=virtual" % out, config=config, name="transpose.bas")
    got, rate = played(out, 1500)
    check(rate == 44100 and np.array_equal(got, out16(x[::2])), "transposed: frames differ")

    # A rate the device lacks: 46000 Hz played at 44100 with interpolation.
    sf.write(os.path.join(tmp, "odd.wav"), ints[:, 0], 46000, subtype="PCM_16")
    run(tmp, """Sub Main ()
    e = obOpenEditor()
    obOpenWave e, "odd.wav"
    obPlay e
End Sub
""", "file:%s,rates=44100|48000,clock=virtual" % out, name="interpolate.bas")
    data, rate = sf.read(out, dtype="int16")
    step = 8192 + (46000 % 44100) * 8192 // 44100
    pos = np.arange(0, 2999 * 8192 + 1, step, dtype=np.int64)
    i, frac = pos >> 13, (pos & 8191).astype(np.float64) / 8192
    mono = x[:, 0].astype(np.float64)
    nxt = np.where(i + 1 <= 2999, i + 1, 0)
    expected = np.trunc((mono[i] + (mono[nxt] - mono[i]) * frac) * 32767)
    diff = np.abs(data[:len(expected)].astype(np.float64) - expected)
    check(rate == 44100 and len(data) >= len(expected) and diff.max() <= 1,
          "interpolated frames differ by up to %s" % diff.max())

    # 24-bit output: 32-bit containers holding the 24-bit value shifted by 8.
    play_prefs_file(os.path.join(tmp, "hires.obx"), [1, 0, 0, 0, 0, 0, 2, 5, 0, 0])
    run(tmp, """Sub Main ()
    obLoadPlayPrefs "hires.obx"
    e = obOpenEditor()
    obOpenWave e, "in.wav"
    obPlay e
End Sub
""", device, name="hires.bas")
    info = sf.info(out)
    data, _ = sf.read(out, dtype="int32", always_2d=True)
    v = x.astype(np.float32) * np.float32(8388352)
    expected = (np.trunc(v).astype(np.int64) << 8).astype(np.int32)
    check(info.subtype == "PCM_32" or info.subtype == "PCM_24", "24-bit subtype %s" % info.subtype)
    check(np.array_equal(data[:3000], expected), "24-bit frames differ")

if failures:
    print("%d failure(s)" % len(failures))
    sys.exit(1)
print("audio macros: all checks passed")
