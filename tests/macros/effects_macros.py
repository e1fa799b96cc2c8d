#!/usr/bin/python3
"""Dynamics and delay effects driven by macros through `orbick --batch` with an
empty settings folder (smoothing off): float WAVs written by libsndfile go in,
the float WAVs orbick saves are read back by libsndfile and checked against
the documented figures.

usage: effects_macros.py ORBICK"""
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


def run(folder, body, name):
    path = os.path.join(folder, name + ".bas")
    with open(path, "w") as f:
        f.write("Sub Main ()\n    e = obOpenEditor()\n" + body +
                "    obSetFormatType OB_FORMAT_WAV32\n"
                '    r = obSaveAsWave(e, "%s.wav")\nEnd Sub\n' % name)
    config = os.path.join(folder, "config-" + name)
    os.makedirs(config)
    env = dict(os.environ)
    env.pop("ORBICK_HOME", None)
    done = subprocess.run([ORBICK, "--batch", path, "--config-dir", config], cwd=folder,
                          capture_output=True, text=True, env=env, timeout=120)
    check(done.returncode == 0, "%s: status %d\n%s%s" % (name, done.returncode, done.stdout, done.stderr))
    out, _ = sf.read(os.path.join(folder, name + ".wav"), dtype="float32")
    return done, out


with tempfile.TemporaryDirectory() as tmp:
    impulse = np.zeros(20000, dtype=np.float32)
    impulse[1000] = 1.0
    sf.write(os.path.join(tmp, "impulse.wav"), impulse, 44100, subtype="FLOAT")

    done, out = run(tmp, '    obOpenWave e, "impulse.wav"\n    Print obEcho(e, 0.1, 50, 50)\n', "echo")
    want = np.zeros(20000, dtype=np.float32)
    want[1000] = 1.0
    for k, v in enumerate([0.5, 0.25, 0.125, 0.0625]):
        want[1000 + 4409 * (k + 1)] = v
    check(done.stdout.split() == ["1"], "echo result %r" % done.stdout)
    check(np.array_equal(out, want), "echo taps: nonzero at %r" % np.flatnonzero(out)[:8])

    done, out = run(tmp, '    obOpenWave e, "impulse.wav"\n    Print obEcho(e, 0.5, 50, 50)\n', "echo_long")
    check(done.stdout.split() == ["0"], "long echo result %r" % done.stdout)
    check("Edit Size Too Small For Effect" in done.stderr, "long echo message %r" % done.stderr)
    check(np.array_equal(out, impulse), "long echo changed the wave")

    quiet = np.full(44100, 0.001, dtype=np.float32)
    sf.write(os.path.join(tmp, "quiet.wav"), quiet, 44100, subtype="FLOAT")
    done, out = run(tmp, '    obOpenWave e, "quiet.wav"\n    Print obNoiseGate(e, -10, 0.05, 0.1, 40)\n',
                    "gate")
    j = np.arange(44100) // 3
    want = 0.001 * np.maximum(0.0, 1.0 - (j + 1) / 4410.0)
    check(done.stdout.split() == ["1"], "gate result %r" % done.stdout)
    check(np.max(np.abs(out - want)) < 1e-9, "gate ramp: max error %g" % np.max(np.abs(out - want)))
    check(not np.any(out[13230:]), "gate: frames from 13230 on are not all 0")

    t = np.arange(22050) / 44100.0
    sine = (np.where(t < 0.25, 0.9, 0.05) * np.sin(2 * np.pi * 1000 * t)).astype(np.float32)
    sf.write(os.path.join(tmp, "sine.wav"), sine, 44100, subtype="FLOAT")
    done, out = run(tmp, '    obOpenWave e, "sine.wav"\n    Print obCompress(e, -20, 4, 1, 0.1, 10)\n',
                    "compress")
    check(done.stdout.split() == ["1"], "compress result %r" % done.stdout)
    quiet_peak, loud_peak = float(np.max(np.abs(out[18000:]))), float(np.max(np.abs(out[2000:10000])))
    check(abs(quiet_peak - 0.05) < 1e-3, "compress quiet peak %g" % quiet_peak)
    check(abs(loud_peak - 0.338) < 0.01, "compress loud peak %g" % loud_peak)

    sf.write(os.path.join(tmp, "low.wav"), np.zeros(20000, dtype=np.float32), 100, subtype="FLOAT")
    done, out = run(tmp, '    obOpenWave e, "low.wav"\n    Print obReverb(e, 2, 10, 14, 35, 12, OB_REVERB_ROOM)\n',
                    "reverb_low")
    check(done.stdout.split() == ["0"], "reverb at 100 Hz result %r" % done.stdout)
    check("Bad Parameter For Waveform" in done.stderr, "reverb at 100 Hz message %r" % done.stderr)

    # Flange and chorus at their limits, reverb of every enclosure: they run.
    noise = np.random.default_rng(5).uniform(-0.5, 0.5, 30000).astype(np.float32)
    sf.write(os.path.join(tmp, "noise.wav"), noise, 44100, subtype="FLOAT")
    done, out = run(tmp, '    obOpenWave e, "noise.wav"\n'
                    "    Print obFlange(e, 10, 99, 100, 0.1, 99, 1)\n"
                    "    Print obChorus(e, 60, 99, 100, 50, 99)\n"
                    "    Print obReverb(e, 20, 200, 20, 100, 20, OB_REVERB_HALL)\n"
                    "    Print obReverb(e, 0.2, 0, 0, 1, 0, OB_REVERB_SPRING)\n", "limits")
    check(done.stdout.split() == ["1"] * 4, "limits results %r" % done.stdout)
    check(bool(np.all(np.isfinite(out))), "limits: non-finite output")

print("effects macros:", "FAILED" if failures else "ok")
sys.exit(1 if failures else 0)
