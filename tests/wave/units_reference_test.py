#!/usr/bin/python3
"""Readout units against a transcription of their rules in Python: every time
unit with every layout option over many positions and rates, the level units
over many values, the RMS window, the frame conversions and typed times (each
formatted time of the parseable units read back to the frames it came from).

usage: units_reference_test.py UNITS_TOOL"""
import math
import random
import subprocess
import sys

TOOL = sys.argv[1]
LEFT, BARE, PAD, CLAMP = 1, 2, 4, 8
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def trunc(x):
    return int(math.trunc(x))


def cdiv(a, b):  # integer division toward zero, as C does
    return trunc(a / b) if (a < 0) != (b < 0) else a // b


def seconds_text(frames, rate, opt):
    u = frames * 1000000.0 / rate
    d = 0
    while u >= 1000.0 and d < 2:
        u /= 1000.0
        d += 1
    left = opt & LEFT
    if opt & BARE:
        return ("%-13.3f" if left else "%13.3f") % u
    return ((["%-8.2f uSec", "%-8.3f mSec", "%-9.3f Sec"] if left else
             ["%8.2f uSec", "%8.3f mSec", "%9.3f Sec"])[d]) % u


FPS = {4: 24.0, 5: 25.0, 6: 29.97, 7: 30.0, 8: 24.0, 9: 25.0, 10: 29.97, 11: 30.0}


def smpte(h, m, s, frame):
    return "%02d:%02d:%02d:%04.1f" % (h, m, s, frame)


def format_time(frames, unit, rate, tempo, bpb, opt):
    r = float(rate or 22050)
    bpm = float(tempo or 120)
    per_bar = float(bpb or 4)
    s = frames / r
    left = opt & LEFT
    if unit == 1:
        t = seconds_text(frames, r, opt)
    elif unit == 2:
        if s < 1.0:
            t = seconds_text(frames, r, opt)
        else:
            m = trunc(s / 60.0)
            rest = min(s - 60.0 * m, 59.9999)
            t = ("%d:%7.4f" if left else "%5d:%7.4f") % (m, rest)
    elif unit in (4, 5, 6, 7):
        v = frames * FPS[unit] / r
        if opt & BARE:
            t = ("%-13.3f" if left else "%13.3f") % v
        else:
            t = ("%-10.2f Fr" if left else "%10.2f Fr") % v
    elif unit in (8, 9, 11):
        fps = FPS[unit]
        f = round(fps * 100)
        tt = trunc(fps * s * 100.0)
        t = smpte(tt // (3600 * f), (tt % (3600 * f)) // (60 * f), (tt % (60 * f)) // f,
                  min((tt % f) / 100.0, fps - 0.1))
    elif unit == 10:
        hours = trunc(s) // 3600
        rr = s - 3600.0 * hours
        m10 = (trunc(rr) // 600) * 10
        x = trunc((rr - 60.0 * m10) * 29.97 * 100.0)
        if x < 180000:
            minutes, secs, frame = m10, x // 3000, x % 3000
        else:
            y = (x - 180000) % 179800
            minutes = m10 + 1 + (x - 180000) // 179800
            if y >= 2800:
                secs, frame = (y - 2800) // 3000 + 1, (y - 2800) % 3000
            else:
                secs, frame = 0, y + 200
        t = smpte(hours, minutes, secs, min(frame / 100.0, 29.87))
    elif unit in (12, 13):
        b = s * bpm / 60.0
        if unit == 13 and b >= per_bar and not (opt & BARE):
            measures = trunc(b / per_bar)
            rest = b - measures * per_bar
            if rest >= per_bar:
                rest = per_bar - 0.01
            t = ("%d+%.3f" if left else "%6d+%6.3f") % (measures, rest)
        else:
            if b < 0.01:
                b = 0.0
            if opt & BARE:
                t = ("%-13.3f" if left else "%13.3f") % b
            else:
                t = ("%-9.3f Bts" if left else "%9.3f Bts") % b
    else:
        t = ("%-13d" if left else "%13d") % frames
    if opt & PAD and len(t) < 18:
        t = t + " " * (18 - len(t)) if left else " " * (18 - len(t)) + t
    return t


def format_level(v, unit, opt):
    if math.isnan(v):
        v = -32768.0
    elif math.isinf(v) or opt & CLAMP:
        v = max(-32768.0, min(32767.0, v))
    left = opt & LEFT
    if unit == 1:
        p = v * 100.0 / 32767.0 if v >= 0 else v * 100.0 / 32768.0
        t = (("%-6.1f" if left else "%6.1f") if p < -99.99 else
             ("%-6.2f" if left else "%6.2f")) % p
    elif unit == 3:
        a = 32767.0 if v <= -32768.0 else abs(v)
        t = ("%-6.2f" if left else "%6.2f") % (0.0 if v == 0 else 20.0 * math.log10(a) + 6.0)
    elif unit in (4, 5):
        db = -96.0 if v == 0 else 20.0 * math.log10(abs(v)) - 90.3
        t = ("%-6.2f" if left else "%6.2f") % (0.0 if db > 0 else db)
    else:  # Value: limited to 16 bits, never wrapped
        n = trunc(max(-32768.0, min(32767.0, v)))
        t = ("%-6d" if left else "%6d") % n
    if opt & PAD and len(t) < 9:
        t = t + " " * (9 - len(t)) if left else " " * (9 - len(t)) + t
    return t


def rms_level(rate, position, samples):
    import numpy as np
    x = np.asarray(samples, dtype=np.float32).astype(np.float64)
    end = min(position, len(x) - 1)
    n = min(rate // 50 + 1, end + 1)
    r = max(1.0, math.sqrt(float(np.sum(x[end + 1 - n:end + 1] ** 2)) / n) * 32767.0)
    return "%6.2f" % (20.0 * math.log10(r) - 96.0)


def run_tool(lines):
    done = subprocess.run([TOOL], input="\n".join(lines) + "\n", capture_output=True, text=True,
                          timeout=120)
    check(done.returncode == 0, "tool status %d: %s" % (done.returncode, done.stderr))
    return done.stdout.split("\n")[:len(lines)]


# ---- the documented examples ----
examples = [
    ((44100, 1, 44100, 120, 4, 0), "    1.000 Sec"),
    ((441, 1, 44100, 120, 4, 0), "  10.000 mSec"),
    ((4, 1, 44100, 120, 4, 0), "   90.70 uSec"),
    ((150 * 44100, 2, 44100, 120, 4, 0), "    2:30.0000"),
    ((45 * 44100, 2, 44100, 120, 4, 0), "    0:45.0000"),
    ((60 * 48000, 10, 48000, 120, 4, 0), "00:00:59:28.2"),
    ((int(60.0601 * 48000), 10, 48000, 120, 4, 0), "00:01:00:02.0"),
    ((5 * 44100, 13, 44100, 120, 4, 0), "     2+ 2.000"),
    ((5 * 44100, 13, 44100, 0, 0, 0), "     2+ 2.000"),  # tempo 0 as 120, 0 beats a bar as 4
    ((22050, 3, 0, 120, 4, 0), "        22050"),
    ((22050, 0, 44100, 120, 4, 0), "        22050"),  # unit 0 (old settings) shows as Words
    ((22050, 14, 44100, 120, 4, 0), "        22050"),
]
got = run_tool(["time %d %d %d %d %d %d" % a for a, _ in examples])
for (args, want), text in zip(examples, got):
    check(text == "[" + want + "]", "example %r: %r, want %r" % (args, text, want))

level_examples = [("0", 4, 0, "-96.00"), ("32767", 4, 0, "  0.00"), ("nan", 2, 0, "-32768"),
                  ("100000", 2, 0, " 32767"), ("-100000", 2, 0, "-32768"), ("40000", 2, 0, " 32767"),
                  ("16383.9", 2, 0, " 16383"), ("0", 3, 0, "  0.00"), ("-32768", 3, 0, " 96.31"),
                  ("-32768", 1, 0, "-100.0"), ("32767", 1, 0, "100.00"), ("5", 9, 0, "     5"),
                  ("5", 0, 0, "     5")]
got = run_tool(["level %s %d %d" % (v, u, o) for v, u, o, _ in level_examples])
for (v, u, o, want), text in zip(level_examples, got):
    check(text == "[" + want + "]", "level %s unit %d: %r, want %r" % (v, u, text, want))

# ---- every unit and option against the transcription ----
rng = random.Random(18)
cases = []
frames_list = [0, 1, 2, 3, 4, 10, 441, 999, 1000, 22049, 22050, 44099, 44100, 44101,
               2646000, 2649000, 26460000, 158760000, 4294967295, 4294967296 + 12345]
for _ in range(400):
    frames_list.append(rng.randrange(0, 1 << 32))
for _ in range(200):
    frames_list.append(rng.randrange(0, 44100 * 700))
rates = [0, 100, 8000, 22050, 44100, 48000, 96000, 200000]
for frames in frames_list:
    for unit in range(0, 15):
        rate = rng.choice(rates)
        tempo = rng.choice([0, 60, 120, 133, 240])
        bpb = rng.choice([0, 3, 4, 7])
        opt = rng.randrange(0, 8)
        cases.append((frames, unit, rate, tempo, bpb, opt))
# Drop-frame time around every minute boundary of the first two hours.
for minute in range(0, 121):
    for delta in (-0.05, -0.0334, 0.0, 0.0334, 0.0667, 0.1, 1.0):
        s = minute * 60 + delta
        if s >= 0:
            cases.append((int(s * 48000), 10, 48000, 120, 4, 0))
got = run_tool(["time %d %d %d %d %d %d" % c for c in cases])
bad = 0
for c, text in zip(cases, got):
    want = "[" + format_time(*c) + "]"
    if text != want:
        bad += 1
        if bad <= 10:
            check(False, "time %r: %r, want %r" % (c, text, want))
check(bad == 0, "%d of %d times differ" % (bad, len(cases)))

levels = [0.0, 1.0, -1.0, 0.5, -0.5, 32767.0, -32768.0, 32768.0, -32769.0, 1e9, -1e9, 3.3,
          -3.3, 100.0, -32767.5, float("nan"), float("inf"), float("-inf")]
for _ in range(500):
    levels.append(rng.uniform(-40000, 40000))
lcases = [(v, u, o) for v in levels for u in range(0, 7) for o in range(0, 16)]
got = run_tool(["level %r %d %d" % c for c in lcases])
bad = 0
for c, text in zip(lcases, got):
    want = "[" + format_level(*c) + "]"
    if text != want:
        bad += 1
        if bad <= 10:
            check(False, "level %r: %r, want %r" % (c, text, want))
check(bad == 0, "%d of %d levels differ" % (bad, len(lcases)))

# ---- the -dB RMS window: rate / 50 + 1 frames ending at the position, cut at
# the start, and a position past the end taken as the last frame ----
samples = [round(rng.uniform(-1, 1), 4) for _ in range(3000)]
rcases = [(44100, p) for p in (0, 1, 5, 881, 882, 1000, 2999, 3000, 10 ** 9)]
rcases += [(8000, p) for p in (0, 160, 161, 2500)]
got = run_tool(["rms %d %d %s" % (r, p, " ".join(map(str, samples))) for r, p in rcases])
for (r, p), text in zip(rcases, got):
    want = "[" + rms_level(r, p, samples) + "]"
    check(text == want, "rms rate %d at %d: %r, want %r" % (r, p, text, want))
got = run_tool(["rms 44100 10 0 0 0 0 0 0 0 0 0 0 0"])
check(got[0] == "[-96.00]", "rms of silence %r" % got[0])

# ---- conversions ----
conv = [("seconds", 1.0, 44100, 0, 44100), ("seconds", 0.5 / 44100, 44100, 0, 1),
        ("seconds", 0.49 / 44100, 44100, 0, 0), ("seconds", 1.0, 0, 0, 22050),
        ("beats", 2.0, 44100, 120, 44100), ("beats", 2.0, 44100, 0, 44100),
        ("beats", 1.0, 48000, 90, 32000), ("video", 25.0, 48000, 25.0, 48000),
        ("video", 1.0, 48000, 29.97, 1602)]
got = run_tool(["frames %s %r %d %r" % (k, v, r, a) for k, v, r, a, _ in conv])
for (k, v, r, a, want), text in zip(conv, got):
    check(text == str(want), "%s %r at %d (%r): %s, want %d" % (k, v, r, a, text, want))

# ---- typed times ----
parse = [
    (1, "1.5", 44100, 0, 66150), (1, "1.000 Sec", 44100, 0, 44100), (1, "10 mSec", 44100, 0, 441),
    (1, "90.70 uSec", 44100, 0, 4), (2, "2:30.0000", 44100, 0, 6615000), (2, "45", 1000, 0, 45000),
    (3, "12345", 44100, 0, 12345), (3, "  4294967295 ", 44100, 0, 4294967295),
    (3, "4294967296", 44100, 3, 0), (3, "-1", 44100, 2, 0), (3, "1.5", 44100, 1, 0),
    (3, "abc", 44100, 1, 0), (3, "", 44100, 1, 0), (1, "-0.001", 44100, 2, 0),
    (1, "-0", 44100, 2, 0), (1, "100000", 44100, 3, 0), (4, "24 Fr", 48000, 0, 48000),
    (8, "00:00:01:12.0", 48000, 0, 72000), (11, "01:00:00:00", 1000, 0, 3600000),
    (10, "00:01:00:02", 48000, 0, 2882883), (10, "00:01:00:00", 48000, 4, 0),
    (10, "00:10:00:00", 30000, 0, 18000000), (9, "00:00:00:25", 48000, 1, 0),
    (12, "4 Bts", 44100, 0, 88200), (13, "2+2.000", 44100, 0, 220500), (13, "3", 44100, 0, 66150),
    (13, "-1+2", 44100, 2, 0), (9, "1:2:3:4:5", 48000, 1, 0), (2, "1:-5", 44100, 2, 0),
]
got = run_tool(["parse %d %d 120 4 %s" % (u, r, t) for u, t, r, _, _ in parse])
for (u, t, r, result, frames), text in zip(parse, got):
    check(text == "%d %d" % (result, frames), "parse %r unit %d: %s, want %d %d" %
          (t, u, text, result, frames))

# Formatted times read back: Words exactly; SMPTE, video and beats to within
# the rounding of the shown figures.
back = []
for _ in range(300):
    frames = rng.randrange(0, 48000 * 7200)
    # SMPTE frames show one decimal and stop at fps - 0.1 (29.87 for drop
    # frame): within a tenth of a frame.
    for unit, tolerance in ((3, 0), (8, 48000 * 0.1 / 24), (9, 48000 * 0.1 / 25),
                            (11, 48000 * 0.1 / 30), (10, 48000 * 0.14 / 29.97),
                            (4, 48000 * 0.0051 / 24), (12, 48000 * 0.00051 / 2),
                            (2, 48000 * 0.000051)):
        back.append((frames, unit, tolerance))
texts = run_tool(["time %d %d 48000 120 4 1" % (f, u) for f, u, _ in back])
got = run_tool(["parse %d 48000 120 4 %s" % (u, t.strip("[]")) for (f, u, _), t in zip(back, texts)])
bad = 0
for (f, u, tol), text, shown in zip(back, got, texts):
    result, frames = map(int, text.split())
    if result != 0 or abs(frames - f) > tol + 1:
        bad += 1
        if bad <= 10:
            check(False, "read back %s (unit %d) of %d: %s" % (shown, u, f, text))
check(bad == 0, "%d of %d read-backs off" % (bad, len(back)))

print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
