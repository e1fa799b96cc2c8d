#!/usr/bin/python3
"""The waveform generator through `orbick --batch`: obGenerate and obGenerate4
write float WAVs (OB_FORMAT_WAV32) that libsndfile reads back; they are
compared with a numpy transcription of the generator (single-cycle float32
table, 21-bit phase accumulator, linear interpolation), with the documented
levels of the pulse and sawtooth tables, and with the length and rate limits.

usage: generate_macros.py ORBICK"""
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
import soundfile as sf

ORBICK = sys.argv[1]
failures = []
F32 = np.float32


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(folder, body, name, save=True):
    """Runs `body` after e = obOpenEditor(); returns (printed words, stderr, wav or None)."""
    path = os.path.join(folder, name + ".bas")
    tail = ("    obSetFormatType OB_FORMAT_WAV32\n"
            '    r = obSaveAsWave(e, "%s.wav")\n' % name) if save else ""
    with open(path, "w") as f:
        f.write("Sub Main ()\n    e = obOpenEditor()\n" + body + tail + "End Sub\n")
    config = os.path.join(folder, "config-" + name)
    os.makedirs(config)
    env = dict(os.environ)
    env.pop("ORBICK_HOME", None)
    start = time.monotonic()
    done = subprocess.run([ORBICK, "--batch", path, "--config-dir", config], cwd=folder,
                          capture_output=True, text=True, env=env, timeout=120)
    elapsed = time.monotonic() - start
    check(done.returncode == 0, "%s: status %d\n%s%s" % (name, done.returncode, done.stdout, done.stderr))
    wav = os.path.join(folder, name + ".wav")
    out = sf.read(wav, dtype="float32") if save and os.path.exists(wav) else None
    return done.stdout.split(), done.stderr, out, elapsed


# ---- the reference, written from the description of the algorithm ----

def limit(f_mhz, rate):
    half = rate * 1000 // 2
    return max(f_mhz, 1) if half > f_mhz else half - 1


def table(shape, f_mhz, rate, duty=50):
    i = np.arange(2049, dtype=np.float64)
    if shape == "sine":
        return (0.97 * np.sin(i * 2 * np.pi / 2048)).astype(F32)
    if shape in ("square", "triangle"):
        h = min(rate * 1000 // (2 * f_mhz), 1023)
        t = np.zeros(2049)
        for k in range(1, h + 1, 2):
            if shape == "square":
                t += 0.9 / k * np.sin(i * 2 * np.pi * k / 2048)
            else:
                t += 0.76 / (k * k) * np.cos(i * 2 * np.pi * k / 2048)
        return t.astype(F32)
    if shape == "sawtooth":
        t = -0.9 + i * 0.0008793356
        t[2048] = -0.9
        return t.astype(F32)
    if shape == "pulse":
        if duty < 50:
            low, high = -0.9 * duty / (100 - duty), 0.9
        else:
            low, high = -0.9, 0.9 * (100 - duty) / duty
        t = np.full(2049, low)
        t[1:duty * 2049 // 100] = high
        return t.astype(F32)
    raise ValueError(shape)


def increment(f_mhz, rate):
    return max(2097152 * f_mhz // (1000 * rate), 1) % (1 << 21)


def tone(shape, f_mhz, rate, frames, duty=50):
    t = table(shape, f_mhz, rate, duty)
    p = (np.arange(frames, dtype=np.int64) * increment(f_mhz, rate)) % (1 << 21)
    i = p >> 10
    frac = (p & 1023).astype(F32) / F32(1024)
    return t[i] + (t[i + 1] - t[i]) * frac


with tempfile.TemporaryDirectory() as tmp:
    # A 1 kHz sine at 44.1 kHz; a second call on the same editor refuses.
    words, err, (out, rate), _ = run(
        tmp, "    Print obGenerate(e, OB_GEN_SINE, 44100, 1000, 1, 50)\n"
             "    Print obGenerate(e, OB_GEN_SQUARE, 8000, 100, 2, 50)\n", "sine")
    check(words == ["1", "0"], "sine results %r" % words)
    check(increment(1000000, 44100) == 47554, "reference increment %d" % increment(1000000, 44100))
    check(len(out) == 44100 and rate == 44100, "sine length %d rate %d" % (len(out), rate))
    want = tone("sine", 1000000, 44100, 44100)
    check(np.max(np.abs(out - want)) <= 2e-6, "sine error %g" % np.max(np.abs(out - want)))
    check(abs(out[1] - 0.137733) < 5e-7, "sine frame 1 %.7f" % out[1])
    spectrum = np.abs(np.fft.rfft(out.astype(np.float64) * np.hanning(len(out)), 441000))
    k = int(np.argmax(spectrum))
    peak = (k + 0.5 * (spectrum[k - 1] - spectrum[k + 1]) /
            (spectrum[k - 1] - 2 * spectrum[k] + spectrum[k + 1])) * 44100 / 441000
    check(abs(peak - 999.99) < 0.005, "sine FFT peak %.4f Hz" % peak)

    # A chord of four sines: each at a quarter, the mean of the four tones.
    freqs = [261626, 329628, 391995, 233082]
    words, err, (out, rate), _ = run(
        tmp, "    Print obGenerate4(e, OB_GEN_SINE, 44100, 261.626, 0.5, 50, 329.628, 391.995, 233.082)\n",
        "chord")
    check(words == ["1"], "chord result %r" % words)
    want = tone("sine", freqs[0], 44100, 22050) / F32(4)
    for f in freqs[1:]:
        want = want + tone("sine", f, 44100, 22050) / F32(4)
    check(len(out) == 22050 and np.max(np.abs(out - want)) <= 2e-6,
          "chord error %g" % np.max(np.abs(out - want)))

    # Noise and silence ignore the chord; their levels.
    words, err, (out, rate), _ = run(
        tmp, "    Print obGenerate4(e, OB_GEN_WHITENOISE, 22050, 1000, 1, 50, 300, 400, 500)\n", "noise")
    steps = np.round((out.astype(np.float64) + 1) * 16384)
    check(words == ["1"] and len(out) == 22050, "noise result %r, %d frames" % (words, len(out)))
    check(np.all(np.abs((out + 1) * 16384 - steps) < 1e-3) and steps.min() >= 0 and steps.max() <= 32767,
          "noise values off the r / 16384 - 1 grid")
    check(abs(float(np.mean(out))) < 0.02 and 0.5 < np.std(out) < 0.65, "noise mean %g std %g"
          % (np.mean(out), np.std(out)))
    words, err, (out, rate), _ = run(
        tmp, "    Print obGenerate4(e, OB_GEN_SILENCE, 8000, 100, 1, 50, 300, 400, 500)\n", "silence")
    check(words == ["1"] and len(out) == 8000 and not np.any(out), "silence")

    # Rate 2048, 1 Hz: increment 1024, the table read without a fraction.
    words, err, (out, rate), _ = run(tmp, "    Print obGenerate(e, OB_GEN_PULSE, 2048, 1, 1, 50)\n", "pulse50")
    check(increment(1000, 2048) == 1024, "reference increment at 2048 Hz")
    want = np.full(2048, F32(-0.9))
    want[1:1024] = F32(0.9)
    check(len(out) == 2048 and np.array_equal(out, want), "pulse 50: %r" % out[[0, 1, 1023, 1024, 2047]])
    words, err, (out, rate), _ = run(tmp, "    Print obGenerate(e, OB_GEN_PULSE, 2048, 1, 1, 25)\n", "pulse25")
    want = np.full(2048, F32(-0.3))
    want[1:512] = F32(0.9)
    check(np.allclose(out, want, atol=1e-7, rtol=0), "pulse 25: %r" % out[[0, 1, 511, 512, 2047]])
    words, err, (out, rate), _ = run(tmp, "    Print obGenerate(e, OB_GEN_SAWTOOTH, 2048, 1, 1, 50)\n", "saw")
    want = (-0.9 + np.arange(2048) * 0.0008793356).astype(F32)
    check(np.array_equal(out, want), "sawtooth: max error %g" % np.max(np.abs(out - want)))

    # Band-limited shapes against the reference; 1 Hz square: 1023 harmonics, quickly.
    for shape, const, f, r in (("square", "OB_GEN_SQUARE", 261.626, 44100),
                               ("triangle", "OB_GEN_TRIANGLE", 1500, 48000)):
        words, err, (out, rate), _ = run(
            tmp, "    Print obGenerate(e, %s, %d, %s, 0.25, 50)\n" % (const, r, f), shape)
        want = tone(shape, int(f * 1000), r, len(want := np.zeros(r // 4)))
        check(words == ["1"] and np.max(np.abs(out - want)) <= 2e-6,
              "%s error %g" % (shape, np.max(np.abs(out - want))))
    words, err, (out, rate), elapsed = run(
        tmp, "    Print obGenerate(e, OB_GEN_SQUARE, 44100, 1, 0.5, 50)\n", "square1hz")
    check(44100 * 1000 // (2 * 1000) >= 1023, "1 Hz square harmonic limit")
    want = tone("square", 1000, 44100, 22050)
    check(np.max(np.abs(out - want)) <= 2e-6, "1 Hz square error %g" % np.max(np.abs(out - want)))
    check(elapsed < 5.0, "1 Hz square took %.2f s" % elapsed)

    # Limits: rate 100 with duration 0 (1 ms, one frame); 0 s at 44.1 kHz; rate 500000.
    words, err, (out, rate), _ = run(tmp, "    Print obGenerate(e, OB_GEN_SINE, 100, 10, 0, 50)\n", "rate100")
    check(words == ["1"] and len(out) == 1 and rate == 100, "rate 100: %r %d %d" % (words, len(out), rate))
    words, err, (out, rate), _ = run(tmp, "    Print obGenerate(e, OB_GEN_SINE, 44100, 1000, 0, 50)\n", "zero")
    check(len(out) == 44, "duration 0 at 44.1 kHz: %d frames" % len(out))
    words, err, (out, rate), _ = run(tmp, "    Print obGenerate(e, OB_GEN_SINE, 500000, 1000, 0.01, 50)\n",
                                     "rate500k")
    check(rate == 200000 and len(out) == 2000, "rate 500000: rate %d, %d frames" % (rate, len(out)))
    words, err, (out, rate), _ = run(tmp, "    Print obGenerate(e, OB_GEN_SILENCE, 44100, 1000, 100, 50)\n",
                                     "long")
    check(len(out) == 4410000, "100 s: %d frames" % len(out))
    # Half the rate through the script: lowered to just under it.
    words, err, (out, rate), _ = run(tmp, "    Print obGenerate(e, OB_GEN_SINE, 8000, 4000, 0.1, 50)\n", "nyquist")
    want = tone("sine", limit(4000000, 8000), 8000, 800)
    check(words == ["1"] and np.max(np.abs(out - want)) <= 2e-6, "half-rate frequency")

    # Refusals: too long (no memory, editor empty); no editor; odd arguments.
    body = ("    Print obGenerate(e, OB_GEN_SINE, 44100, 1000, 1000000000, 50)\n"
            "    Print obIsEditorLoaded(e)\n"
            "    Print obGenerate(77, OB_GEN_SINE, 44100, 1000, 1, 50)\n"
            "    Dim d As Double\n"
            "    d = 1E+308\n"
            "    d = d * 10\n"
            "    g = obOpenEditor()\n"
            "    Print obGenerate(g, OB_GEN_SINE, 44100, d - d, d, 50)\n"
            "    Print obGetSampleValueFloat(g, 44)\n"
            "    f = obOpenEditor()\n"
            "    Print obGenerate(f, -3, 44100, 1000, -5, 50)\n"
            "    e = f\n")
    words, err, (out, rate), _ = run(tmp, body, "refuse")
    check(words[:3] == ["0", "0", "0"], "huge duration / missing editor: %r" % words)
    check("Not enough memory for this operation." in err, "no-memory text %r" % err)
    # NaN frequency: 0 (then 1 mHz); infinite duration: 0 (then 1 ms, 44 frames).
    check(words[3:5] == ["1", "0.000000"], "non-finite arguments: %r" % words[3:5])
    # A negative shape is silence, a negative duration 1 ms.
    check(words[5:] == ["1"] and len(out) == 44 and not np.any(out),
          "negative shape and duration: %r, %d frames" % (words[5:], len(out)))

if failures:
    print("%d failure(s)" % len(failures))
    sys.exit(1)
print("generate macros: all checks passed")
