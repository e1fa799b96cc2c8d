#!/usr/bin/python3
"""Checks the WAV files `orbick --convert` writes with independent readers.

  wav_oracle_test.py oracles ORBICK HELPER
      our files read by libsndfile (python3-soundfile, sndfile-info and the C
      helper's SFC_GET_INSTRUMENT / SFC_GET_CUE) and sox, with the expected
      sample values computed here from the input: 8-bit trunc(x*128)+128,
      16-bit trunc(x*32768), 24-bit trunc(x*8388608), each held at the
      largest code, float unchanged, after clamping to -1..+1; 32-bit integer
      and 24-in-32 WAVs (plain and extensible) read as libsndfile and sox
      read them; loops, markers, key, tune and name kept; the peak
      cache beside the output holds the per-block maxima and minima.
  wav_oracle_test.py cli ORBICK
      exit statuses and messages of the command line.
Prints "N passed, N failed"; exit 1 when a check failed.
"""
import os
import struct
import subprocess
import sys
import tempfile

failures = []
passes = 0


def check(ok, what):
    global passes
    if ok:
        passes += 1
    else:
        failures.append(what)
        print("FAIL:", what)


def run(args):
    return subprocess.run(args, capture_output=True, text=True)


def convert(orbick, src, dst, code):
    r = run([orbick, "--convert", src, dst, "--format", str(code)])
    check(r.returncode == 0, f"convert {os.path.basename(src)} to {code}: {r.stderr.strip()}")
    return r.returncode == 0


def quantize(clamped, bits):
    """Our writers' rule: trunc(x * 2^(bits-1)), +1.0 held at the largest code."""
    import numpy as np
    full = float(1 << (bits - 1))
    return np.minimum(np.trunc(clamped * full), full - 1).astype(np.int64)


def wav_image(tag, bits, valid, channels, samples, rate=8000):
    """A WAV of little-endian 32-bit containers; tag 0xFFFE makes it extensible."""
    align = 4 * channels
    if tag == 0xFFFE:
        fmt = struct.pack("<HHIIHHHHIH", tag, channels, rate, rate * align, align, bits, 22, valid,
                          3 if channels == 2 else 4, 1)
        fmt += bytes([0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
    else:
        fmt = struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)
    data = b"".join(struct.pack("<i", int(v)) for v in samples)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + \
        struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def reads_32(orbick, tmp):
    """32-bit integer and 24-in-32 WAVs, plain and extensible: what we read
    (seen through a float WAV, which copies samples unchanged) is what
    libsndfile reads; sox agrees where it reads the file at all."""
    import numpy as np
    import soundfile as sf

    rng = np.random.default_rng(5)
    full = rng.integers(-2**31, 2**31, 4000, dtype=np.int64)
    full[:4] = [-2**31, 2**31 - 1, 0, -1]
    top24 = (rng.integers(-2**23, 2**23, 4000, dtype=np.int64)) << 8
    top24[:2] = [-2**31, (2**23 - 1) << 8]
    cases = (("plain32", 1, 32, 32, full, 17), ("ext32", 0xFFFE, 32, 32, full, 17),
             ("ext24in32", 0xFFFE, 32, 24, top24, 19))
    for name, tag, bits, valid, values, saved_as in cases:
        for channels in (1, 2):
            src = os.path.join(tmp, f"{name}_{channels}.wav")
            open(src, "wb").write(wav_image(tag, bits, valid, channels, values))
            want, _ = sf.read(src, dtype="float64", always_2d=True)
            check(np.array_equal(want.reshape(-1), values / 2.0**31), f"libsndfile reads {name}")
            out = os.path.join(tmp, f"{name}_{channels}_f.wav")
            if convert(orbick, src, out, 17):
                got, _ = sf.read(out, dtype="float32", always_2d=True)
                check(np.array_equal(got, want.astype(np.float32)),
                      f"{name} ({channels} ch) read as libsndfile reads it")
            if tag == 1:
                raw = subprocess.run(["sox", "-D", src, "-t", "s32", "-"],
                                     capture_output=True).stdout
                check(np.array_equal(np.frombuffer(raw, dtype="<i4"), values), "sox reads " + name)
            # Without --format a .wav output keeps the depth: 24-in-32 becomes
            # 24-bit with every sample unchanged, 32-bit becomes float.
            out = os.path.join(tmp, f"{name}_{channels}_same.wav")
            r = run([orbick, "--convert", src, out])
            check(r.returncode == 0, f"{name} to .wav: {r.stderr}")
            if r.returncode == 0:
                info = sf.info(out)
                check(info.subtype == {17: "FLOAT", 19: "PCM_24"}[saved_as],
                      f"{name} saved as {info.subtype}")
                if saved_as == 19:
                    got = sf.read(out, dtype="int32", always_2d=True)[0].reshape(-1)
                    check(np.array_equal(got.astype(np.int64), values), f"{name}: 24 bits kept")


def oracles(orbick, helper, tmp):
    import numpy as np
    import soundfile as sf

    # Input: 32-bit float stereo with values beyond full scale, at 44101 Hz
    # (written as 44100). 2001 frames: odd, so 8-bit mono needs a pad byte.
    frames = 2001
    rng = np.random.default_rng(11)
    x = rng.uniform(-1.0, 1.0, (frames, 2)).astype(np.float32)
    x[:6, 0] = [1.5, -1.5, 1.0, -1.0, 0.0, 0.99999994]
    x[:6, 1] = [-1.2, 2.0, 0.5, -0.5, 1e-9, -0.99999994]
    src = os.path.join(tmp, "in_float.wav")
    sf.write(src, x, 44101, subtype="FLOAT")
    clamped = np.clip(x.astype(np.float64), -1.0, 1.0)

    expect = {
        5: ("PCM_U8", 8, quantize(clamped, 8)),
        6: ("PCM_16", 16, quantize(clamped, 16)),
        19: ("PCM_24", 24, quantize(clamped, 24)),
    }
    for code, (subtype, bits, want) in expect.items():
        out = os.path.join(tmp, f"out_{code}.wav")
        if not convert(orbick, src, out, code):
            continue
        info = sf.info(out)
        check((info.frames, info.channels, info.samplerate, info.subtype) ==
              (frames, 2, 44100, subtype), f"libsndfile info of {code}: {info}")
        got = sf.read(out, dtype="int32")[0].astype(np.int64) >> (32 - bits)
        bad = np.argwhere(got != want)
        check(len(bad) == 0, f"libsndfile values of {code}: first differences {bad[:3].tolist()}")
        raw = subprocess.run(["sox", "-D", out, "-t", "s32", "-"], capture_output=True).stdout
        got = np.frombuffer(raw, dtype="<i4").astype(np.int64).reshape(-1, 2) >> (32 - bits)
        check(got.shape == want.shape and (got == want).all(), f"sox values of {code}")
        for opt, value in (("-r", "44100"), ("-c", "2"), ("-s", str(frames)), ("-b", str(bits))):
            r = run(["sox", "--i", opt, out])
            check(r.stdout.strip() == value, f"sox --i {opt} of {code}: {r.stdout.strip()}")

    out = os.path.join(tmp, "out_17.wav")
    if convert(orbick, src, out, 17):
        got, rate = sf.read(out, dtype="float32")
        check(rate == 44100 and sf.info(out).subtype == "FLOAT", "libsndfile info of 17")
        check(np.array_equal(got, x), "float values unchanged, beyond full scale too")
        r = run(["sox", "--i", "-e", out])
        check("Floating Point" in r.stdout, f"sox sees float: {r.stdout.strip()}")

    # Mono float: read and written as the buffer's own bytes.
    mono_float = os.path.join(tmp, "in_mono_float.wav")
    sf.write(mono_float, x[:, 1], 22050, subtype="FLOAT")
    out = os.path.join(tmp, "out_mono17.wav")
    if convert(orbick, mono_float, out, 17):
        got, rate = sf.read(out, dtype="float32")
        check(rate == 22050 and sf.info(out).channels == 1, "libsndfile info of mono 17")
        check(np.array_equal(got, x[:, 1]), "mono float values unchanged")
        raw = subprocess.run(["sox", "-D", out, "-t", "f32", "-"], capture_output=True).stdout
        # sox works on 32-bit integers (full scale at most) and rounds back to
        # float on output: one float step of difference.
        diff = np.abs(np.frombuffer(raw, dtype="<f4").astype(np.float64) -
                      np.clip(x[:, 1], -1.0, 1.0).astype(np.float64))
        check(len(diff) == frames and diff.max() <= 1e-7, "sox reads mono float")

    # Mono, 8 bit: odd data size with its pad byte.
    mono = os.path.join(tmp, "in_mono.wav")
    sf.write(mono, x[:, 0], 8000, subtype="PCM_16")
    out = os.path.join(tmp, "out_mono8.wav")
    if convert(orbick, mono, out, 5):
        data = open(out, "rb").read()
        check(struct.unpack("<I", data[4:8])[0] == len(data) - 8, "RIFF size is length - 8")
        want = quantize(sf.read(mono, dtype="float64")[0], 8)
        got = sf.read(out, dtype="int16")[0].astype(np.int64) >> 8
        check(np.array_equal(got, want), "8-bit mono values")

    # Instrument, loops and cues written by libsndfile, plus marker names and a
    # title: read by ours, written again, read back by libsndfile.
    base = os.path.join(tmp, "helper.wav")
    check(run([helper, "write", base]).returncode == 0, "helper writes its file")
    data = bytearray(open(base, "rb").read())
    notes = b""
    for cue_id, text in ((1, b"first"), (7, b"seventh!")):
        body = struct.pack("<I", cue_id) + text + b"\0"
        notes += b"labl" + struct.pack("<I", len(body)) + body + b"\0" * (len(body) & 1)
    data += b"LIST" + struct.pack("<I", 4 + len(notes)) + b"adtl" + notes
    title = b"Bass Pad\0"
    info_list = b"INFO" + b"INAM" + struct.pack("<I", len(title)) + title + b"\0"
    data += b"LIST" + struct.pack("<I", len(info_list)) + info_list
    data[4:8] = struct.pack("<I", len(data) - 8)
    named = os.path.join(tmp, "helper_named.wav")
    open(named, "wb").write(bytes(data))

    for code in (6, 19):
        out = os.path.join(tmp, f"meta_{code}.wav")
        if not convert(orbick, named, out, code):
            continue
        dump = run([helper, "dump", out]).stdout.split("\n")
        for line in ("basenote 60", "detune 30", "loop_count 2",
                     "loop 0 mode 801 start 100 end 500 count 0",  # the sustain loop
                     "loop 1 mode 803 start 200 end 300 count 1",  # others play once
                     "cue_count 3", "cue 1 position 10 offset 10",
                     "cue 2 position 500 offset 500", "cue 7 position 999 offset 999"):
            check(line in dump, f"libsndfile reads '{line}' from our {code}-bit file")
        text = run(["sndfile-info", out]).stdout
        bytes_per_sample = 2 if code == 6 else 3
        for fragment in ("inst : 7", "Midi Note    : 60", "Loop Count   : 2",
                         "Cue ID :  0  Type :  0  Start :   100  End :   499  Fraction :     0"
                         "  Count :     0",
                         "Cue ID :  1  Type :  1  Start :   200  End :   299  Fraction :     0"
                         "  Count :     1",
                         "Period       : 22675 nsec", "Count : 3",
                         f"Cue ID :  7  Pos :   999  Chunk : data  Chk Start : 0  Blk Start : "
                         f"{999 * bytes_per_sample}  Offset :   999",
                         "adtl", "note", "ISFT : Sample Orbick by brightfold",
                         "INAM : Bass Pad"):
            check(fragment in text, f"sndfile-info shows '{fragment}' for {code}")
        check(sf.SoundFile(out).title == "Bass Pad", "libsndfile reads our name")
        # Our note sub-chunks carry the names libsndfile's labl gave us.
        raw = open(out, "rb").read()
        check(b"note\x0a\x00\x00\x00\x01\x00\x00\x00first\x00" in raw and
              b"note\x0d\x00\x00\x00\x07\x00\x00\x00seventh!\x00\x00" in raw,
              "marker names written as note sub-chunks")

    # Peak cache beside the output: 100000 frames give 501 blocks, the last
    # empty (stored as 0, 0); pairs are the block maxima and minima of the wave.
    long_frames = 100000
    y = rng.uniform(-0.9, 0.9, (long_frames, 2)).astype(np.float32)
    big = os.path.join(tmp, "big.wav")
    sf.write(big, y, 48000, subtype="FLOAT")
    out = os.path.join(tmp, "big_out.wav")
    if convert(orbick, big, out, 17):
        cache = os.path.join(tmp, "big_out.wav.pkc")
        check(os.path.exists(cache), "peak cache written beside the output")
        if os.path.exists(cache):
            c = open(cache, "rb").read()
            blocks = long_frames // 200 + 1
            check(len(c) == 28 + 16 * blocks, f"peak cache size {len(c)}")
            check(c[0:4] == b"FRBk" and c[8:16] == b"GFXFGDAT", "peak cache header ids")
            words = struct.unpack("<4sI4s4sIII", c[:28])
            check(words[1] == 16 * blocks + 20 and words[4] == 16 * blocks + 8 and
                  words[5] == 2 and words[6] == blocks, f"peak cache header {words}")
            pairs = np.frombuffer(c[28:], dtype="<f4").reshape(2, blocks, 2)
            for ch in range(2):
                b = y[:, ch].reshape(-1, 200)
                want = np.stack([b.max(axis=1), b.min(axis=1)], axis=1)
                check(np.array_equal(pairs[ch, :-1], want), f"peak pairs of channel {ch}")
                check(np.array_equal(pairs[ch, -1], [0, 0]), "empty last block is (0, 0)")


def cli(orbick, tmp):
    usage = "usage: orbick --convert IN OUT"
    good = os.path.join(tmp, "good.wav")
    # A 16-bit mono WAV of 4 frames, made by hand.
    fmt = struct.pack("<HHIIHH", 1, 1, 8000, 16000, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", 8) + \
        struct.pack("<4h", 0, 1000, -1000, 32767)
    open(good, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)

    for args in ([], ["--convert"], ["--convert", good, "x.raw"],
                 ["--convert", good, "--format", "6"], ["--convert", good, "o.wav", "--format"],
                 ["--convert", good, "o.wav", "--format", "six"],
                 ["--convert", good, "o.wav", "p.wav", "--format", "6"], ["--bogus"],
                 ["--convert", good, "o.wav", "--format", "6", "--quiet"],
                 ["--convert", "", "o.wav", "--format", "6"],
                 ["--convert", good, "o.wav", "--format", "6", "--format", "5"]):
        r = run([orbick, *args])
        check(r.returncode == 2 and usage in r.stderr, f"usage error for {args}: {r.returncode}")
    r = run([orbick, "--convert", good, os.path.join(tmp, "o.wav"), "--format", "1"])
    check(r.returncode == 2 and "format 1 cannot be written" in r.stderr, "unwritable format")

    missing = os.path.join(tmp, "missing.wav")
    r = run([orbick, "--convert", missing, os.path.join(tmp, "o.wav"), "--format", "6"])
    check(r.returncode == 1 and r.stderr == f"orbick: {missing}: Can't Open File\n",
          f"missing input: {r.stderr!r}")

    cut = os.path.join(tmp, "cut.wav")
    open(cut, "wb").write(open(good, "rb").read()[:-3])
    r = run([orbick, "--convert", cut, os.path.join(tmp, "o.wav"), "--format", "6"])
    check(r.returncode == 1 and r.stderr == f"orbick: {cut}: File Read Error\n",
          f"truncated input: {r.stderr!r}")

    text = os.path.join(tmp, "notes.txt")
    open(text, "w").write("not a sound file at all\n")
    r = run([orbick, "--convert", text, os.path.join(tmp, "o.wav"), "--format", "6"])
    check(r.returncode == 1 and r.stderr == f"orbick: {text}: File Form improper\n",
          f"text input: {r.stderr!r}")

    nowhere = os.path.join(tmp, "no", "such", "folder.wav")
    r = run([orbick, "--convert", good, nowhere, "--format", "6"])
    check(r.returncode == 1 and r.stderr == f"orbick: {nowhere}: Can't Open File\n",
          f"output folder missing: {r.stderr!r}")

    out = os.path.join(tmp, "o b.wav")
    r = run([orbick, "--convert", "--format", "17", good, out])
    check(r.returncode == 0 and r.stderr == "" and os.path.getsize(out) == 12 + 26 + 44 + 8 + 16,
          f"convert to float: {r.returncode} {r.stderr!r}")
    check(run([orbick, "--help"]).returncode == 0, "--help exits 0")


def main():
    mode = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="orbick-wav-") as tmp:
        if mode == "oracles":
            oracles(sys.argv[2], sys.argv[3], tmp)
            reads_32(sys.argv[2], tmp)
        else:
            cli(sys.argv[2], tmp)
    print(f"{passes} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
