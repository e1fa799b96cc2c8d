#!/usr/bin/python3
"""The Envelope Generator and the Transfer Function driven by macros through
`orbick --batch` with an empty settings folder (smoothing off). Float WAVs
written by libsndfile go in; the float WAVs orbick saves are read back and
compared with numpy transcriptions of the two algorithms. The preset files
are built here byte by byte (not by orbick's writer), in both byte orders.

usage: envelope_transfer_macros.py ORBICK"""
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


def container(kind, record, big):
    """A preset file: "FRBk" (or "kBRF"), size, "PRES", one chunk of `kind`."""
    e = ">" if big else "<"
    body = b"PRES" + kind + struct.pack(e + "I", len(record)) + record
    if len(record) % 2:
        body += b"\0"
    return (b"kBRF" if big else b"FRBk") + struct.pack(e + "I", len(body)) + body


# ---- Envelope Generator ----

def envg_record(curve, scale, name, big):
    e = ">" if big else "<"
    return (bytes(curve) + struct.pack(e + "i", scale) + name.encode().ljust(80, b"\0") +
            b"\0" * 4)


def gain_table(curve, scale):
    s = 10.0 ** [0.0125, 0.025, 0.05][min(max(scale, 0), 2)]
    g = np.empty(100)
    for k, v in enumerate(curve):
        v = min(v, 120)
        g[k] = 0.0 if v == 120 else 1.0 if v == 60 else s ** (60 - v) if v < 60 else 1.0 / s ** (v - 60)
    return g


def envelope(x, curve, scale):
    g = gain_table(curve, scale)
    n = len(x)
    out = np.empty(n, dtype=np.float32)
    if n <= 100:
        for i in range(n):
            out[i] = np.float32(float(x[i]) * g[i])
        return out
    step = n / 99.0
    i = np.arange(n, dtype=np.float64)
    k = np.trunc(i / step).astype(np.int64) % 256
    kk = np.minimum(k, 98)
    gain = g[kk] + (i - kk * step) * (g[kk + 1] - g[kk]) / step
    gain = np.where(k < 99, gain, g[99])
    return (x.astype(np.float64) * gain).astype(np.float32)


fade_in = [120 - i if i < 60 else 60 for i in range(100)]


def env_error(out, want):
    """The largest error in units of the wanted value (at least 1): the gain
    of a point is worked out once per point, so a product may round to the
    neighbouring float."""
    return float(np.max(np.abs(out.astype(np.float64) - want) / np.maximum(np.abs(want), 1.0)))

# ---- Transfer Function ----

def trfn_record(curve, mirror, name, big):
    e = ">" if big else "<"
    raw = bytes(v & 0xFF for v in curve)
    return raw + b"\0" * 3 + struct.pack(e + "I", 1 if mirror else 0) + name.encode().ljust(80, b"\0") + b"\0" * 4


def shape(x, T, mirror):
    T = [max(-64, min(64, v)) for v in T]
    out = np.empty(len(x), dtype=np.float32)
    for n, v in enumerate(x.astype(np.float64)):
        y = v * 32767.0
        if not np.isfinite(y):
            out[n] = 0.0
            continue
        y = min(max(y, -32768.0), 32767.0)
        s = int(np.trunc(y))
        f = np.fmod(y, 512.0)
        if s >= 0:
            k = (s >> 9) + 64
            o = np.trunc(T[k] * 512 + f * (T[k + 1] - T[k]))
        elif s > -32768 and not mirror:
            h = 64 - ((-s) >> 9)
            l = h - 1
            o = np.trunc(f * (T[l] - T[h]) - T[h] * 512)
        elif s > -32768:
            k = ((-s) >> 9) + 64
            o = -np.trunc(T[k] * 512 + abs(f) * (T[k + 1] - T[k]))
        else:
            o = -T[128 if mirror else 0] * 512
        out[n] = np.float32(o / 32767.0)
    return out


with tempfile.TemporaryDirectory() as tmp:
    const = np.full(44100, 0.5, dtype=np.float32)
    sf.write(os.path.join(tmp, "const.wav"), const, 44100, subtype="FLOAT")

    # A fresh run uses the first built-in, "Fade In (Slow, 30 dB)".
    done, out = run(tmp, '    obOpenWave e, "const.wav"\n    Print obEnvelopeGenerator(e)\n', "env_fresh")
    want = envelope(const, fade_in, 1)
    check(done.stdout.split() == ["1"], "fresh envelope result %r" % done.stdout)
    check(len(out) == 44100, "fresh envelope length %d" % len(out))
    err = env_error(out, want)
    check(err <= 1.2e-7, "fresh envelope: max error %g" % err)
    check(out[0] == 0.0 and abs(out[-1] - 0.5) < 1e-7, "fresh envelope ends %r %r" % (out[0], out[-1]))

    # Preset files in both byte orders give the same curve.
    rng = np.random.default_rng(21)
    curve = [int(v) for v in rng.integers(0, 121, 100)]
    noise = rng.uniform(-0.8, 0.8, 30011).astype(np.float32)
    sf.write(os.path.join(tmp, "noise.wav"), noise, 44100, subtype="FLOAT")
    want = envelope(noise, curve, 2)
    for big in (False, True):
        name = "env_%s" % ("big" if big else "little")
        with open(os.path.join(tmp, name + ".obx"), "wb") as f:
            f.write(container(b"ENVG", envg_record(curve, 2, "test curve", big), big))
        done, out = run(tmp, '    obOpenWave e, "noise.wav"\n    Print obLoadEnvGenPreset("%s.obx")\n'
                        '    Print obEnvelopeGenerator(e)\n' % name, name)
        check(done.stdout.split() == ["1", "1"], "%s results %r" % (name, done.stdout))
        err = env_error(out, want)
        check(err <= 1.2e-7, "%s: max error %g" % (name, err))

    # Scale 7 and codes above 120 are clamped (scale 2, code 120).
    wild = list(curve)
    wild[3] = 200
    wild[50] = 255
    with open(os.path.join(tmp, "wild.obx"), "wb") as f:
        f.write(container(b"ENVG", envg_record(wild, 7, "wild", False), False))
    done, out = run(tmp, '    obOpenWave e, "noise.wav"\n    Print obLoadEnvGenPreset("wild.obx")\n'
                    '    Print obEnvelopeGenerator(e)\n', "env_wild")
    clamped = [min(v, 120) for v in wild]
    check(done.stdout.split() == ["1", "1"], "scale 7 results %r" % done.stdout)
    check(env_error(out, envelope(noise, clamped, 2)) <= 1.2e-7, "scale 7: not the clamped curve")

    # A 100-byte record fails (0) and keeps the curve loaded before it.
    with open(os.path.join(tmp, "short.obx"), "wb") as f:
        f.write(container(b"ENVG", bytes(curve), False))
    done, out = run(tmp, '    obOpenWave e, "noise.wav"\n    Print obLoadEnvGenPreset("env_little.obx")\n'
                    '    Print obLoadEnvGenPreset("short.obx")\n'
                    '    Print obLoadEnvGenPreset("missing.obx")\n'
                    '    Print obEnvelopeGenerator(e)\n', "env_short")
    check(done.stdout.split() == ["1", "0", "0", "1"], "short record results %r" % done.stdout)
    check(env_error(out, envelope(noise, curve, 2)) <= 1.2e-7, "short record changed the curve")

    # Areas of 100 frames (the table itself) and 101 (interpolated, step 101/99).
    for n in (100, 101, 7):
        part = rng.uniform(-1, 1, n).astype(np.float32)
        sf.write(os.path.join(tmp, "part%d.wav" % n), part, 44100, subtype="FLOAT")
        done, out = run(tmp, '    obOpenWave e, "part%d.wav"\n    Print obLoadEnvGenPreset("env_big.obx")\n'
                        '    Print obEnvelopeGenerator(e)\n' % n, "env_part%d" % n)
        err = env_error(out, envelope(part, curve, 2))
        check(err <= (0 if n <= 100 else 1.2e-7), "area of %d: max error %g" % (n, err))

    # Transfer Function: a fresh run is "Linear": a -1 .. 1 ramp comes back
    # within one 16-bit step.
    ramp = np.linspace(-1.0, 1.0, 65537).astype(np.float32)
    sf.write(os.path.join(tmp, "ramp.wav"), ramp, 44100, subtype="FLOAT")
    done, out = run(tmp, '    obOpenWave e, "ramp.wav"\n    Print obTransferFunction(e)\n', "trfn_fresh")
    check(done.stdout.split() == ["1"], "fresh transfer result %r" % done.stdout)
    err = float(np.max(np.abs(out - ramp)))
    check(err <= 1.0 / 32767, "linear: max error %g" % err)
    linear = [abs(i - 64) for i in range(129)]
    check(np.array_equal(out, shape(ramp, linear, False)), "linear: not the transcription")

    # Preset files with and without mirror, both byte orders; samples beyond
    # full scale, at -32768 / 32767 and not a number.
    tcurve = [int(v) for v in rng.integers(-64, 65, 129)]
    extra = np.array([1.0, -1.0, -32768 / 32767, 1.01, 1.016, 1.5, -1.3, 40.0, -40.0, 0.0,
                      -1e-6, 1e-6, np.nan, np.inf, -np.inf], dtype=np.float32)
    wave = np.concatenate([rng.uniform(-1.1, 1.1, 20000).astype(np.float32), extra])
    sf.write(os.path.join(tmp, "shape.wav"), wave, 44100, subtype="FLOAT")
    for mirror in (False, True):
        for big in (False, True):
            name = "trfn_%s_%s" % ("mirror" if mirror else "plain", "big" if big else "little")
            with open(os.path.join(tmp, name + ".obx"), "wb") as f:
                f.write(container(b"TRFN", trfn_record(tcurve, mirror, name, big), big))
            done, out = run(tmp, '    obOpenWave e, "shape.wav"\n    Print obLoadTransFuncPreset("%s.obx")\n'
                            '    Print obTransferFunction(e)\n' % name, name)
            check(done.stdout.split() == ["1", "1"], "%s results %r" % (name, done.stdout))
            want = shape(wave, tcurve, mirror)
            bad = np.flatnonzero(out != want)
            check(len(bad) == 0, "%s: %d samples differ, first %r" % (name, len(bad), bad[:5]))

    # Curve bytes outside -64 .. 64 are clamped on load.
    wild = list(tcurve)
    wild[0], wild[64], wild[100], wild[128] = 127, -128, 100, -90
    with open(os.path.join(tmp, "twild.obx"), "wb") as f:
        f.write(container(b"TRFN", trfn_record(wild, False, "wild", False), False))
    done, out = run(tmp, '    obOpenWave e, "shape.wav"\n    Print obLoadTransFuncPreset("twild.obx")\n'
                    '    Print obLoadTransFuncPreset("missing.obx")\n'
                    '    Print obTransferFunction(e)\n', "trfn_wild")
    check(done.stdout.split() == ["1", "0", "1"], "clamped curve results %r" % done.stdout)
    check(np.array_equal(out, shape(wave, wild, False)), "clamped curve: not the clamped transcription")
    # Points limited to 64 x 512: at most 32768 plus the step of the sub-zero
    # inputs (y in -1 .. 0) that the segment from 0 extends (up to 128).
    check(bool(np.all(np.abs(out) <= (32768 + 128) / 32767.0)), "clamped curve: output beyond the curve")

    # Linear saturates above full scale (1.01 and 1.016 stay at 1.0).
    idx = 20000 + 3
    done, out = run(tmp, '    obOpenWave e, "shape.wav"\n    Print obTransferFunction(e)\n', "trfn_linear_over")
    check(out[idx] == np.float32(1.0) and out[idx + 1] == np.float32(1.0),
          "linear above full scale: %r %r" % (out[idx], out[idx + 1]))
    check(out[20000 + 12] == 0.0 and out[20000 + 13] == 0.0, "non-finite samples not 0")

print("envelope and transfer macros:", "FAILED" if failures else "ok")
sys.exit(1 if failures else 0)
