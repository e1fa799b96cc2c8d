#!/usr/bin/python3
"""`orbick --convert` across format codes: a WAV made by libsndfile converted
to AIFF, AU, 8SVX, VOC, Studio 16 V3 and RAW is read back by libsndfile or
sox with the values of the conversion rules; RAW input needs --raw; RealAudio
without an encoder fails.

usage: convert_oracle.py ORBICK
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
import soundfile as sf

ORBICK = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def convert(*args):
    return subprocess.run([ORBICK, "--convert", *args], capture_output=True, text=True)


with tempfile.TemporaryDirectory(prefix="orbick-convert-") as tmp:
    src = os.path.join(tmp, "src.wav")
    rng = np.random.default_rng(3)
    x = np.clip(rng.normal(0, 0.3, (700, 2)), -1, 1).astype(np.float32)
    sf.write(src, x, 32000, subtype="FLOAT")
    def quantize(v, full):
        return np.minimum(np.trunc(v.astype(np.float64) * full), full - 1) / full

    q16 = quantize(x, 32768)

    for code, name, kwargs, expect, chans in (
            (0, "o.aif", {}, q16, 2),
            (18, "o24.aif", {}, quantize(x, 8388608), 2),
            (15, "o.voc", {}, quantize(x, 128), 2),
            (9, "o.raw", dict(format="RAW", subtype="PCM_16", endian="BIG", samplerate=44100, channels=1),
             q16[:, :1], 1)):
        out = os.path.join(tmp, name)
        r = convert(src, out, "--format", str(code))
        check(r.returncode == 0 and r.stderr == "", "convert to %d: %s" % (code, r.stderr))
        data, rate = sf.read(out, dtype="float64", always_2d=True, **kwargs)
        check(data.shape == (700, chans) and np.max(np.abs(data - expect)) < 1e-9,
              "code %d: values by libsndfile" % code)
        if "samplerate" not in kwargs:
            check(rate == 32000, "code %d keeps the rate" % code)

    # AU and 8SVX keep the left channel; Studio 16 V3 goes back to WAV through our reader.
    for code, name in ((14, "o.au"), (3, "o.svx"), (13, "o.s16"), (2, "o.sd")):
        out = os.path.join(tmp, name)
        check(convert(src, out, "--format", str(code)).returncode == 0, "convert to %d" % code)
        back = os.path.join(tmp, name + ".wav")
        check(convert(out, back, "--format", "17").returncode == 0, "convert %d back" % code)
        data, rate = sf.read(back, always_2d=True)
        check(data.shape == (700, 1), "code %d keeps 700 mono frames" % code)
        check(np.max(np.abs(data[:, 0] - x[:, 0])) < {14: 0.06, 3: 0.02}.get(code, 0.001),
              "code %d values near the source" % code)

    # Headerless input needs --raw; with it the RAW kind is read.
    raw = os.path.join(tmp, "in.dat")
    open(raw, "wb").write(bytes(range(256)) * 4)
    r = convert(raw, os.path.join(tmp, "r.wav"), "--format", "6")
    check(r.returncode == 1 and r.stderr == "orbick: %s: File Form improper\n" % raw, "RAW needs --raw: %r" % r.stderr)
    r = convert(raw, os.path.join(tmp, "r.wav"), "--format", "6", "--raw", "7")
    check(r.returncode == 0, "--raw 7: %s" % r.stderr)
    data, rate = sf.read(os.path.join(tmp, "r.wav"), dtype="int16")
    expect = np.frombuffer(bytes(range(256)) * 4, dtype=np.int8).astype(np.int16) * 256
    check(rate == 22050 and np.array_equal(data, expect), "RAW 8 signed read and written as WAV 16")
    check(convert(raw, os.path.join(tmp, "r.wav"), "--format", "6", "--raw", "5").returncode == 2,
          "--raw takes RAW codes only")

    # RealAudio: no encoder is installed here.
    r = convert(src, os.path.join(tmp, "o.ra"), "--format", "16")
    check(r.returncode == 1 and "No RealAudio encoder is installed." in r.stderr, "RealAudio: %r" % r.stderr)
    check(not os.path.exists(os.path.join(tmp, "o.ra")), "no RealAudio file")

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
