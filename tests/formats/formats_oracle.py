#!/usr/bin/python3
"""Independent checks of the sound formats other than WAV.

Files our writers make are read by sox and libsndfile (python3-soundfile) and
must give the same frames, rate and values; files sox and libsndfile write in
the variants our readers accept are read by ours with the same values; the
variants we do not accept give "Format Not Supported"; AIFF loops and
markers show in `sox -V3` and `sndfile-info`, and an AIFF file with MARK and
INST built here from the AIFF layout loads with the same loops.

usage: formats_oracle.py FORMATS_TOOL
"""
import json
import os
import struct
import subprocess
import sys
import tempfile

import numpy as np
import soundfile as sf

TOOL = sys.argv[1]
TMP = tempfile.mkdtemp(prefix="orbick-oracle-")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(*args):
    return subprocess.run(list(args), capture_output=True, check=False)


def tool_write(code, path, *extra):
    r = run(TOOL, "write", str(code), path, *extra)
    if r.returncode != 0:
        raise SystemExit("writing code %d failed: %s %s" % (code, r.stdout, r.stderr))
    return json.loads(r.stdout)


def tool_read(path, raw=None):
    args = [TOOL, "read", path] + (["raw", str(raw)] if raw is not None else [])
    r = run(*args)
    return json.loads(r.stdout)


def ours(info):
    """Our samples as a frames x channels float32 array."""
    cols = [np.array(info["left"], dtype=np.float32)]
    if "right" in info:
        cols.append(np.array(info["right"], dtype=np.float32))
    return np.stack(cols, axis=1)


def sox_floats(path, *type_args):
    r = run("sox", *type_args, path, "-t", "raw", "-e", "floating-point", "-b", "32", "-L", "-")
    if r.returncode != 0:
        return None
    return np.frombuffer(r.stdout, dtype="<f4")


def sox_info(path):
    rate = run("soxi", "-r", path).stdout.strip()
    frames = run("soxi", "-s", path).stdout.strip()
    chans = run("soxi", "-c", path).stdout.strip()
    return int(rate or 0), int(frames or 0), int(chans or 0)


def same(a, b, tolerance=0.0):
    a = np.asarray(a, dtype=np.float64).reshape(-1)
    b = np.asarray(b, dtype=np.float64).reshape(-1)
    return a.shape == b.shape and (a.size == 0 or np.max(np.abs(a - b)) <= tolerance)


def clamp(x):
    x = np.asarray(x, dtype=np.float64)
    return np.where(np.isnan(x) | (x <= -1.0), -1.0, np.where(x >= 1.0, 1.0, x))


# ---- Files our writers make, read by sox and libsndfile ----

def check_written(code, name, stereo, sox_type=(), sf_kwargs=None, quant=None, channels_kept=None,
                  extra=()):
    path = os.path.join(TMP, "w%d%s.%s" % (code, "s" if stereo else "m", name))
    src = tool_write(code, path, *(["stereo"] if stereo else []), *extra)
    back = tool_read(path, raw=code if sf_kwargs and sf_kwargs.get("format") == "RAW" else None)
    check(back["result"] == 0, "%s: our reader loads our file (%s)" % (name, back["text"]))
    if back["result"] != 0:
        return
    mine = ours(back)
    chans = channels_kept or (2 if stereo else 1)
    check(mine.shape[1] == chans, "%s: channels %d" % (name, mine.shape[1]))
    # libsndfile
    data, rate = sf.read(path, dtype="float32", always_2d=True, **(sf_kwargs or {}))
    check(data.shape == mine.shape, "%s: libsndfile frames %s vs ours %s" % (name, data.shape, mine.shape))
    check(same(data, mine), "%s: libsndfile values equal ours" % name)
    if not sf_kwargs or sf_kwargs.get("format") != "RAW":
        check(rate == back["rate"], "%s: libsndfile rate %d vs %d" % (name, rate, back["rate"]))
    # sox
    floats = sox_floats(path, *sox_type)
    check(floats is not None and same(floats, mine.reshape(-1)), "%s: sox values equal ours" % name)
    if not sox_type:  # headerless RAW: frames and rate come from the values and the options
        srate, sframes, schans = sox_info(path)
        # soxi cannot tell the length of some kinds (VOC): then the decoded values count.
        check(sframes in (0, mine.shape[0]) and schans == chans, "%s: sox frames/channels" % name)
        check(srate == back["rate"], "%s: sox rate %d vs %d" % (name, srate, back["rate"]))
    # Quantisation of the source, from the conversion rule (clamp, scale by the
    # reader's scale, truncate, +1.0 held at the largest code).
    if quant:
        left = clamp(np.array(src["left"], dtype=np.float32))
        expect = (np.minimum(np.trunc(left * quant[0]), quant[0] - 1) / quant[1])[: mine.shape[0]]
        check(same(mine[:, 0], expect, 1e-7), "%s: values follow the conversion rule" % name)


check_written(0, "aif", False, quant=(32768, 32768))
check_written(0, "aif", True, quant=(32768, 32768))
check_written(18, "aif", False, quant=(8388608, 8388608))
check_written(18, "aif", True, quant=(8388608, 8388608))
check_written(14, "au", False)
check_written(14, "au", True, channels_kept=1)
check_written(15, "voc", False, quant=(128, 128))
check_written(15, "voc", True, quant=(128, 128))
# libsndfile misreads an odd-length NAME chunk (it skips no pad byte): an even name here.
check_written(3, "svx", False, quant=(128, 128), extra=("name", "Orbick"))
raw_kinds = {
    7: (("-e", "signed", "-b", "8"), "PCM_S8", "FILE", 22050, (128, 128)),
    8: (("-e", "unsigned", "-b", "8"), "PCM_U8", "FILE", 22050, (128, 128)),
    9: (("-e", "signed", "-b", "16", "-B"), "PCM_16", "BIG", 44100, (32768, 32768)),
    10: (("-e", "signed", "-b", "16", "-L"), "PCM_16", "LITTLE", 44100, (32768, 32768)),
    11: (("-e", "a-law", "-b", "8"), "ALAW", "FILE", 8000, None),
    12: (("-e", "u-law", "-b", "8"), "ULAW", "FILE", 8000, None),
}
for code, (enc, subtype, endian, rate, quant) in raw_kinds.items():
    sox_type = ("-t", "raw", "-r", str(rate), "-c", "1") + enc
    check_written(code, "raw", False, sox_type=sox_type, channels_kept=1, quant=quant,
                  sf_kwargs=dict(format="RAW", subtype=subtype, endian=endian, samplerate=rate, channels=1))

# Rates: 96000 Hz survives VOC; 8SVX stores at most 65535.
info = tool_write(15, os.path.join(TMP, "fast.voc"), "rate", "96000")
check(tool_read(os.path.join(TMP, "fast.voc"))["rate"] == 96000, "VOC keeps 96000 Hz")
tool_write(3, os.path.join(TMP, "fast.svx"), "rate", "96000")
check(sox_info(os.path.join(TMP, "fast.svx"))[0] == 65535, "8SVX stores 65535 for 96000 Hz")

# ---- AIFF loops and markers as sox and sndfile-info show them ----
aif = os.path.join(TMP, "loops.aif")
tool_write(0, aif)
verbose = " ".join(run("sox", "-V3", aif, "-n").stderr.decode("latin-1").split())
info = " ".join(run("sndfile-info", aif).stdout.decode("latin-1").split())
for text in ("Loop 0: start: 100", "end: 399", "Loop 1: start: 500", "end: 799",
             "forward/backward", "Unity MIDI Note: 62", "Low MIDI Note: 40", "High MIDI Note: 90"):
    check(text in verbose, "sox -V3 shows %r" % text)
for text in ("Mark ID : 251 Position : 10 Name : start", "Mark ID : 5 Position : 50 Name : five",
             "Mark ID : 252 Position : 100 Name : beg Loop", "Mark ID : 253 Position : 399",
             "Mark ID : 255 Position : 799 Name : end Loop", "Base Note : 62", "Low Note : 40",
             "Sustain mode : 801 => forward begin : 252 end : 253",
             "Release mode : 802 => backward begin : 254 end : 255"):
    check(text in info, "sndfile-info shows %r" % text)

# ---- An AIFF file built here from the layout, with MARK and INST ----


def chunk(cid, payload):
    pad = b"\0" if len(payload) & 1 else b""
    return cid + struct.pack(">I", len(payload)) + payload + pad


def aiff_rate(hz):
    shifts = 0
    m = hz
    while not m & 0x80000000:
        m <<= 1
        shifts += 1
    return struct.pack(">HII", 16383 + 31 - shifts, m, 0)


def marker(mid, pos, name):
    rec = struct.pack(">HIB", mid, pos, len(name)) + name
    return rec + (b"\0" if len(rec) & 1 else b"")


frames = 3000
samples = ((np.arange(frames) % 200 - 100) * 300).astype(">i2")
comm = struct.pack(">HIH", 1, frames, 16) + aiff_rate(32000)
marks = [marker(251, 5, b"zero"), marker(7, 2500, b"seven"), marker(40, 1000, b"sb"),
         marker(41, 1999, b"se"), marker(42, 2100, b""), marker(43, 2800, b"re")]
mark = struct.pack(">H", len(marks)) + b"".join(marks)
inst = struct.pack(">bbbbbbh", 48, -20, 30, 70, 0, 127, 0) + struct.pack(">HHHHHH", 1, 40, 41, 2, 42, 43)
ssnd = struct.pack(">II", 0, 0) + samples.tobytes()
body = b"AIFF" + chunk(b"COMM", comm) + chunk(b"MARK", mark) + chunk(b"INST", inst) + \
    chunk(b"NAME", b"layout") + chunk(b"SSND", ssnd)
made = os.path.join(TMP, "layout.aif")
with open(made, "wb") as f:
    f.write(b"FORM" + struct.pack(">I", len(body)) + body)
back = tool_read(made)
loops = {l["id"]: l for l in back["loops"]}
markers = {m["id"]: m for m in back["markers"]}
check(back["result"] == 0 and back["rate"] == 32000 and back["frames"] == frames, "layout AIFF loads")
check(back["sustain"] == 0 and back["release"] == 1, "layout AIFF loop roles")
check(loops.get(0, {}).get("start") == 1000 and loops[0]["end"] == 1999 and loops[0]["type"] == 0,
      "layout AIFF sustain loop 1000..1999 forward")
check(loops.get(1, {}).get("start") == 2100 and loops[1]["end"] == 2800 and loops[1]["type"] == 1,
      "layout AIFF release loop 2100..2800 forward/backward")
check(sorted(markers) == [0, 7] and markers[0]["name"] == "zero" and markers[7]["position"] == 2500,
      "layout AIFF keeps the two plain markers, 251 as marker 0")
check((back["keyRoot"], back["fineTune"], back["keyLow"], back["keyHigh"]) == (48, -20, 30, 70),
      "layout AIFF key map and fine tune")
check(back["name"] == "layout", "layout AIFF name")
check(same(ours(back)[:, 0], samples.astype(np.float64) / 32768), "layout AIFF samples")
# libsndfile reads the same loops from it (its instrument view of INST).
with sf.SoundFile(made) as f:
    check(f.frames == frames, "libsndfile reads the layout AIFF")

# ---- Files sox and libsndfile write, read by ours ----
rng = np.random.default_rng(7)
signal = np.clip(rng.normal(0, 0.3, (1500, 2)), -1, 1)


def check_read(path, name, expect_channels, raw=None):
    back = tool_read(path, raw=raw)
    check(back["result"] == 0, "%s: ours reads it (%s)" % (name, back["text"]))
    if back["result"] != 0:
        return
    if raw is None:
        ref, rate = sf.read(path, dtype="float32", always_2d=True)
        check(rate == back["rate"], "%s: rate %d vs libsndfile %d" % (name, back["rate"], rate))
    else:
        ref = sox_floats(path, *raw_sox_args(raw)).reshape(-1, 1)
    mine = ours(back)
    check(mine.shape == ref.shape and mine.shape[1] == expect_channels, "%s: shape %s vs %s" % (name, mine.shape, ref.shape))
    check(same(mine, ref, 1e-9), "%s: values equal the oracle's" % name)


def raw_sox_args(code):
    enc, _, _, rate, _ = raw_kinds[code]
    return ("-t", "raw", "-r", str(rate), "-c", "1") + enc


for bits, subtype in ((8, "PCM_S8"), (16, "PCM_16"), (24, "PCM_24"), (32, "PCM_32")):
    for chans in (1, 2):
        p = os.path.join(TMP, "sf%d_%d.aiff" % (bits, chans))
        sf.write(p, signal[:, :chans], 22050, subtype=subtype, format="AIFF")
        check_read(p, "libsndfile AIFF %d bit %dch" % (bits, chans), chans)
        q = os.path.join(TMP, "sox%d_%d.aiff" % (bits, chans))
        r = run("sox", p, "-b", str(bits), q)
        check(r.returncode == 0, "sox writes AIFF %d" % bits)
        check_read(q, "sox AIFF %d bit %dch" % (bits, chans), chans)
        fmt = tool_read(q)["format"]
        check(fmt == (0 if bits < 24 else 18), "AIFF %d bit loads with format code %d" % (bits, fmt))

for subtype, soxenc in (("ULAW", ("-e", "u-law")), ("PCM_S8", ("-e", "signed", "-b", "8")),
                        ("PCM_16", ("-e", "signed", "-b", "16")), ("ALAW", ("-e", "a-law"))):
    p = os.path.join(TMP, "sf_%s.au" % subtype)
    sf.write(p, signal[:, 0], 8000, subtype=subtype, format="AU")
    check_read(p, "libsndfile AU %s" % subtype, 1)
    q = os.path.join(TMP, "sox_%s.au" % subtype)
    check(run("sox", p, *soxenc, q).returncode == 0, "sox writes AU %s" % subtype)
    check_read(q, "sox AU %s" % subtype, 1)

p = os.path.join(TMP, "sf.svx")
sf.write(p, signal[:, 0], 16000, subtype="PCM_S8", format="SVX")
check_read(p, "libsndfile 8SVX", 1)
q = os.path.join(TMP, "sox.svx")
check(run("sox", p, "-t", "8svx", q).returncode == 0, "sox writes 8SVX")
check_read(q, "sox 8SVX", 1)

# VOC: libsndfile writes 16-bit PCM as one type-9 block, which we read; its
# 8-bit files use blocks of type 1 and 8, sox's 8-bit files type 1, and sox's
# 16-bit files state a block length 8 bytes short of the data that follows:
# those are variants we do not read.
sf.write(os.path.join(TMP, "src.wav"), signal, 22050, subtype="PCM_16")
for chans in (1, 2):
    p = os.path.join(TMP, "sf16_%d.voc" % chans)
    sf.write(p, signal[:, :chans], 22050, subtype="PCM_16", format="VOC")
    check(open(p, "rb").read()[26] == 9, "libsndfile writes a type-9 VOC block")
    check_read(p, "libsndfile VOC 16 bit %dch" % chans, chans)
    p = os.path.join(TMP, "sfu8_%d.voc" % chans)
    sf.write(p, signal[:, :chans], 22050, subtype="PCM_U8", format="VOC")
    back = tool_read(p)
    check(back["result"] == 3, "libsndfile 8-bit VOC %dch: Format Not Supported (%s)" % (chans, back["text"]))
    for bits in (8, 16):
        q = os.path.join(TMP, "sox%d_%d.voc" % (bits, chans))
        check(run("sox", os.path.join(TMP, "src.wav"), "-c", str(chans), "-b", str(bits), q).returncode == 0,
              "sox writes VOC")
        back = tool_read(q)
        check(back["result"] == 3, "sox VOC %d bit %dch: Format Not Supported (%s)" % (bits, chans, back["text"]))

for code in raw_kinds:
    q = os.path.join(TMP, "sox%d.raw" % code)
    r = run("sox", os.path.join(TMP, "src.wav"), *raw_sox_args(code), q)
    check(r.returncode == 0, "sox writes RAW code %d" % code)
    check_read(q, "sox RAW code %d" % code, 1, raw=code)

# G.711: every one of the 256 codes decodes as sox and libsndfile decode it.
codes = os.path.join(TMP, "codes.raw")
with open(codes, "wb") as f:
    f.write(bytes(range(256)))
for code, subtype in ((11, "ALAW"), (12, "ULAW")):
    mine = ours(tool_read(codes, raw=code))[:, 0]
    by_sox = sox_floats(codes, *raw_sox_args(code))
    by_sf, _ = sf.read(codes, dtype="float32", format="RAW", subtype=subtype, samplerate=8000, channels=1)
    check(same(mine, by_sox) and same(mine, by_sf), "G.711 %s: all 256 codes agree with sox and libsndfile" % subtype)

# ---- Variants we do not read give "Format Not Supported" ----
variants = []
p = os.path.join(TMP, "float.aiff")
sf.write(p, signal, 22050, subtype="FLOAT", format="AIFF")
variants.append((p, "AIFF float (AIFC)"))
p = os.path.join(TMP, "three.aiff")
sf.write(p, np.zeros((100, 3)), 22050, subtype="PCM_16", format="AIFF")
variants.append((p, "AIFF 3 channels"))
p = os.path.join(TMP, "float.au")
sf.write(p, signal[:, 0], 8000, subtype="FLOAT", format="AU")
variants.append((p, "AU float"))
p = os.path.join(TMP, "stereo.au")
sf.write(p, signal, 8000, subtype="PCM_16", format="AU")
variants.append((p, "AU stereo"))
p = os.path.join(TMP, "packed.svx")
vhdr = struct.pack(">IIIHBBI", 100, 0, 0, 8000, 1, 1, 65536)
body = b"8SVX" + chunk(b"VHDR", vhdr) + chunk(b"BODY", bytes(100))
open(p, "wb").write(b"FORM" + struct.pack(">I", len(body)) + body)
variants.append((p, "8SVX compressed"))
for path, name in variants:
    back = tool_read(path)
    check(back["result"] == 3 and back["text"] == "Format Not Supported" and "left" not in back,
          "%s: Format Not Supported (got %d %s)" % (name, back["result"], back["text"]))

if failures:
    print("%d check(s) failed" % len(failures))
    sys.exit(1)
print("all format oracle checks passed")
