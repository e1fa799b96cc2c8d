#!/usr/bin/python3
"""Equalization and spectrum script functions through `orbick --batch`: float
WAVs written by libsndfile go in, the WAVs orbick saves are read back and
compared with scipy.signal (Butterworth designs from silence), the refusals
leave the sound unchanged, obFFT writes its text export and validates its
arguments.

usage: eq_macros.py ORBICK"""
import math
import os
import subprocess
import sys
import tempfile

import numpy as np
import soundfile as sf
from scipy import signal

ORBICK = sys.argv[1]
RATE = 44100
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(folder, body, name, save=True):
    path = os.path.join(folder, name + ".bas")
    tail = ('    obSetFormatType OB_FORMAT_WAV32\n    r = obSaveAsWave(e, "%s.wav")\n' % name
            if save else "")
    with open(path, "w") as f:
        f.write("Sub Main ()\n    e = obOpenEditor()\n" + body + tail + "End Sub\n")
    config = os.path.join(folder, "config-" + name)
    os.makedirs(config)
    env = dict(os.environ)
    env.pop("ORBICK_HOME", None)
    done = subprocess.run([ORBICK, "--batch", path, "--config-dir", config], cwd=folder,
                          capture_output=True, text=True, env=env, timeout=120)
    check(done.returncode == 0, "%s: status %d\n%s%s" % (name, done.returncode, done.stdout,
                                                         done.stderr))
    out = None
    if save:
        out, _ = sf.read(os.path.join(folder, name + ".wav"), dtype="float64")
    return done, out


def close(name, got, want, tol=1e-6):
    err = np.abs(np.asarray(got) - np.asarray(want)).max()
    check(err <= tol, "%s: max error %.3g" % (name, err))


with tempfile.TemporaryDirectory() as tmp:
    rng = np.random.default_rng(5)
    noise = (0.2 * rng.standard_normal(30000)).astype(np.float32)
    sf.write(os.path.join(tmp, "noise.wav"), noise, RATE, subtype="FLOAT")
    x = noise.astype(np.float64)
    opened = '    obOpenWave e, "noise.wav"\n'

    for order in (1, 2):
        for fn, kind in (("obEQLowPass", "lowpass"), ("obEQHighPass", "highpass")):
            name = "%s%d" % (fn, order)
            done, out = run(tmp, opened + "    Print %s(e, 1000, %d)\n" % (fn, order), name)
            check(done.stdout.split() == ["1"], "%s result %r" % (name, done.stdout))
            b, a = signal.butter(order, 1000 / (RATE / 2), kind)
            close(name, out, signal.lfilter(b, a, x))
    # Order 5: the 0.5 dB Chebyshev type I.
    done, out = run(tmp, opened + "    Print obEQLowPass(e, 2000, 5)\n", "cheby")
    b, a = signal.cheby1(5, 0.5, 2000 / (RATE / 2))
    close("order 5 low pass", out, signal.lfilter(b, a, x), 2e-6)
    # An order of 3 returns 0 and changes nothing.
    done, out = run(tmp, opened + "    Print obEQHighPass(e, 1000, 3)\n", "order3")
    check(done.stdout.split() == ["0"], "order 3 result %r" % done.stdout)
    check(np.array_equal(out, x), "order 3 changed the sound")
    # The Vari-Time filter at a fixed frequency is the order-2 Butterworth;
    # obVTFilter takes the kind of the current settings (low pass at start).
    for body, kind in (("Print obEQVT(e, 1, 700, 700)", "highpass"),
                       ("Print obEQVT(e, 2, 700, 700)", "lowpass"),
                       ("Print obVTFilter(e, 700, 700)", "lowpass")):
        done, out = run(tmp, opened + "    " + body + "\n", "vt_" + kind + str(len(body)))
        check(done.stdout.split() == ["1"], "%s result %r" % (body, done.stdout))
        b, a = signal.butter(2, 700 / (RATE / 2), kind)
        close(body, out, signal.lfilter(b, a, x))
    # Shelves and peaks: gains from the impulse response.
    impulse = np.zeros(16384, dtype=np.float32)
    impulse[0] = 1.0
    sf.write(os.path.join(tmp, "impulse.wav"), impulse, RATE, subtype="FLOAT")
    imp = '    obOpenWave e, "impulse.wav"\n'
    done, out = run(tmp, imp + "    Print obEQBass(e, 200, 30)\n    Print obEQTreble(e, 8000, -6)\n",
                    "shelves")
    check(done.stdout.split() == ["1", "1"], "shelves result %r" % done.stdout)
    _, H = signal.freqz(out, 1, worN=[0.0, math.pi])
    check(abs(20 * math.log10(abs(H[0])) - 20) < 0.05, "bass clamped to +20 dB at DC: %r" % H[0])
    check(abs(20 * math.log10(abs(H[1])) + 6) < 0.05, "treble -6 dB at Nyquist: %r" % H[1])
    done, out = run(tmp, imp + "    Print obEQParametric(e, 1000, -12, 1)\n", "peak")
    _, H = signal.freqz(out, 1, worN=[2 * math.pi * 1000 / RATE])
    check(abs(20 * math.log10(abs(H[0])) + 12) < 0.05, "peak -12 dB at 1000 Hz: %r" % H[0])
    done, out = run(tmp, imp + "    Print obEQGraFreq(e, 100, 0, 500, 0, 1000, 6, 4000, 0, 8000, 0)\n",
                    "grafreq")
    _, H = signal.freqz(out, 1, worN=[2 * math.pi * 1000 / RATE])
    check(abs(20 * math.log10(abs(H[0])) - 6) < 0.05, "GraFreq +6 dB at 1000 Hz: %r" % H[0])
    done, out = run(tmp, imp + "    Print obEQGraFreq(e, 100, 0, 500, 0, 1000, 0, 4000, 0, 8000, 0)\n",
                    "grafreq_flat")
    check(done.stdout.split() == ["1"], "flat GraFreq result %r" % done.stdout)
    check(np.array_equal(out, impulse), "flat GraFreq changed the sound")

    # obFFT: the text export and its argument checks.
    body = opened + "".join("    Print obFFT(e, %s)\n" % a for a in (
        '0, 3, 32, "fft32.txt"', '100, 5, 2048, "fft2048.txt"', '0, 3, 48, "bad.txt"',
        '0, 3, 4096, "bad.txt"', '-1, 3, 64, "bad.txt"', '30000, 3, 64, "bad.txt"',
        '0, 0, 64, "bad.txt"', '0, 3, 64, ""', '29900, 3, 64, "bad.txt"'))
    done, _ = run(tmp, body, "fft", save=False)
    check(done.stdout.split() == ["1", "1"] + ["0"] * 7, "obFFT results %r" % done.stdout)
    check(not os.path.exists(os.path.join(tmp, "bad.txt")), "a refused obFFT wrote a file")
    for n, records in ((32, 3), (2048, 5)):
        text = open(os.path.join(tmp, "fft%d.txt" % n)).read()
        lines = text.split("\n")
        check(lines[0] == "Records:%d Points:%d dB:1" % (records, n), "obFFT header %r" % lines[0])
        check(len(lines) == 2 + records * (n + 2), "obFFT %d: %d lines" % (n, len(lines)))
        check(lines[2] == "Record:1" and lines[-2 - n] == "Record:%d" % records,
              "obFFT %d record headings" % n)
        freq = float(lines[4].split()[0])
        check(abs(freq - RATE / (2 * n)) < 1e-6, "obFFT %d bin 1 at %r Hz" % (n, freq))

if failures:
    sys.exit(1)
print("eq macros: all checks passed")
