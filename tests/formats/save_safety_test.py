#!/usr/bin/python3
"""Saves that never destroy what they replace, and the command-line habits of
`orbick --convert`.

  save_safety_test.py ORBICK
      - a target that is not a regular file (FIFO, character device, a link to
        either, /dev/stdout) is refused with "Can't Open File" and left as it
        was; a link to a regular file replaces that file and keeps the link,
        also when the link dangles;
      - a file-size limit (ulimit -f) makes the save fail like a full disk:
        "File Write Error", exit 1, no temporary file left, old file intact;
      - --format takes names and codes; without it the output's extension
        chooses the format at the input's depth; --help and --version.
Prints "N passed, N failed"; exit 1 when a check failed.
"""
import os
import stat
import struct
import subprocess
import sys
import tempfile

ORBICK = sys.argv[1]
failures = []
passes = 0


def check(ok, what):
    global passes
    if ok:
        passes += 1
    else:
        failures.append(what)
        print("FAIL:", what)


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def convert(*args, **kw):
    return run([ORBICK, "--convert", *args], **kw)


def wav(path, bits, frames, channels=1, tag=1):
    """A PCM WAV of `frames` frames of a rising ramp, made by hand."""
    width = bits // 8
    data = b"".join(((i * 977) % (1 << bits) - (1 << (bits - 1)) if bits > 8 else i % 256)
                    .to_bytes(width, "little", signed=bits > 8) for i in range(frames * channels))
    fmt = struct.pack("<HHIIHH", tag, channels, 8000, 8000 * width * channels, width * channels,
                      bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + \
        struct.pack("<I", len(data)) + data
    open(path, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)


def fmt_of(path):
    """(tag, channels, bits) of a WAV file's fmt chunk (our writer puts it first)."""
    b = open(path, "rb").read()
    at = b.index(b"fmt ")
    tag, channels, _, _, _, bits = struct.unpack("<HHIIHH", b[at + 8:at + 24])
    return tag, channels, bits


def leftovers(folder):
    return [n for n in os.listdir(folder) if n.startswith(".")]


def non_regular_targets(tmp, src):
    fifo = os.path.join(tmp, "fifo")
    os.mkfifo(fifo)
    link_fifo = os.path.join(tmp, "to-fifo.wav")
    os.symlink(fifo, link_fifo)
    link_null = os.path.join(tmp, "to-null.wav")
    os.symlink("/dev/null", link_null)
    for target, kind in ((fifo, "FIFO"), (link_fifo, "link to a FIFO"), ("/dev/null", "device"),
                         (link_null, "link to a device")):
        before = os.lstat(target)
        r = convert(src, target, "--format", "6", timeout=20)
        check(r.returncode == 1 and r.stderr == f"orbick: {target}: Can't Open File\n",
              f"{kind} refused: {r.returncode} {r.stderr!r}")
        after = os.lstat(target)
        check(stat.S_IFMT(after.st_mode) == stat.S_IFMT(before.st_mode) and
              after.st_ino == before.st_ino, f"{kind} left alone")
    check(os.path.islink(link_null) and os.readlink(link_null) == "/dev/null", "link kept")

    # /dev/stdout is a link to the pipe the test reads.
    r = convert(src, "/dev/stdout", "--format", "6", timeout=20)
    check(r.returncode == 1 and r.stdout == "" and "/dev/stdout: Can't Open File" in r.stderr,
          f"/dev/stdout refused: {r.returncode} {r.stderr!r}")
    check(os.path.islink("/dev/stdout"), "/dev/stdout still a link")

    # A link to a regular file: the file is replaced, the link stays.
    real = os.path.join(tmp, "real.wav")
    open(real, "wb").write(b"old")
    link = os.path.join(tmp, "link.wav")
    os.symlink("real.wav", link)
    r = convert(src, link, "--format", "6")
    check(r.returncode == 0 and os.path.islink(link) and open(real, "rb").read(4) == b"RIFF",
          f"save through a link: {r.stderr!r}")
    # A dangling link: the file it names is created.
    dangling = os.path.join(tmp, "dangling.wav")
    os.symlink("made-by-save.wav", dangling)
    r = convert(src, dangling, "--format", "6")
    made = os.path.join(tmp, "made-by-save.wav")
    check(r.returncode == 0 and os.path.islink(dangling) and os.path.isfile(made),
          f"save through a dangling link: {r.stderr!r}")
    check(leftovers(tmp) == [], f"no temporary files: {leftovers(tmp)}")


def file_size_limit(tmp, src):
    # The old file is 100 bytes; the new one needs about 200 kB; the limit is 50 kB.
    folder = os.path.join(tmp, "limited")
    os.mkdir(folder)
    old = os.path.join(folder, "old.wav")
    open(old, "wb").write(b"x" * 100)
    for fmt in ("wav16", "aiff24", "8svx", "au", "voc", "raw16i", "sd1", "studio16"):
        r = run(["/bin/sh", "-c", 'ulimit -f 100; exec "$@"', "sh", ORBICK, "--convert", src, old,
                 "--format", fmt], timeout=60)
        check(r.returncode == 1 and r.stderr == f"orbick: {old}: File Write Error\n",
              f"{fmt} past the size limit: {r.returncode} {r.stderr!r}")
        check(open(old, "rb").read() == b"x" * 100, f"{fmt}: old file intact")
        check(os.listdir(folder) == ["old.wav"], f"{fmt}: no temporary file: {os.listdir(folder)}")


def names_and_defaults(tmp, src16, src24):
    out = os.path.join(tmp, "named.wav")
    for name, want in (("wav8", (1, 1, 8)), ("WAV24", (1, 1, 24)), ("wavf", (3, 1, 32)),
                       ("wav16", (1, 1, 16)), ("19", (1, 1, 24))):
        r = convert(src16, out, "--format", name)
        check(r.returncode == 0 and fmt_of(out) == want, f"--format {name}: {r.stderr!r}")
    for name, magic in (("aiff24", b"FORM"), ("8svx", b"FORM"), ("au", b".snd"),
                        ("voc", b"Crea")):
        o = os.path.join(tmp, "named." + name)
        r = convert(src16, o, "--format", name)
        check(r.returncode == 0 and open(o, "rb").read(4) == magic, f"--format {name}")
    r = convert(src16, out, "--format", "wav99")
    check(r.returncode == 2 and "usage: orbick --convert" in r.stderr, "unknown name")

    # The extension chooses the family, the input the depth.
    for source, name, check_fmt in ((src16, "d16.wav", (1, 1, 16)), (src24, "d24.wav", (1, 1, 24))):
        o = os.path.join(tmp, name)
        r = convert(source, o)
        check(r.returncode == 0 and fmt_of(o) == check_fmt, f"default for {name}: {r.stderr!r}")
    o = os.path.join(tmp, "d24.aif")
    r = convert(src24, o)
    check(r.returncode == 0 and open(o, "rb").read(12)[8:] == b"AIFF", f".aif: {r.stderr!r}")
    back = os.path.join(tmp, "d24back.wav")
    check(convert(o, back).returncode == 0 and fmt_of(back) == (1, 1, 24), "24-bit AIFF to .wav")
    check(open(back, "rb").read()[-3000:] == open(src24, "rb").read()[-3000:],
          "24-bit samples through AIFF and back unchanged")
    for o, code in (("d.au", b".snd"), ("d.svx", b"FORM"), ("d.voc", b"Crea")):
        r = convert(src16, os.path.join(tmp, o))
        check(r.returncode == 0 and open(os.path.join(tmp, o), "rb").read(4) == code, f"default {o}")
    # Text has no depth of its own: a .wav output keeps it as float.
    text = os.path.join(tmp, "t.txt")
    open(text, "w").write("".join(f"{v}\r\n" for v in (0.1, -0.25, 0.123456789, 0.5, -0.75) * 40))
    o = os.path.join(tmp, "t.wav")
    r = convert(text, o)
    check(r.returncode == 0 and fmt_of(o)[0] == 3, f"text to .wav is float: {r.stderr!r}")
    r = convert(src16, os.path.join(tmp, "d.raw"))
    check(r.returncode == 2 and "does not tell the format" in r.stderr, f".raw needs --format: {r.stderr!r}")
    r = convert(src16, os.path.join(tmp, "noext"))
    check(r.returncode == 2, "no extension needs --format")

    # --raw takes names too.
    raw = os.path.join(tmp, "in.dat")
    open(raw, "wb").write(bytes(range(256)))
    r = convert(raw, os.path.join(tmp, "r.wav"), "--raw", "raw8s")
    check(r.returncode == 0 and fmt_of(os.path.join(tmp, "r.wav")) == (1, 1, 8),
          f"--raw raw8s, 8-bit input to .wav: {r.stderr!r}")
    check(convert(raw, os.path.join(tmp, "r.wav"), "--raw", "wav16").returncode == 2,
          "--raw takes RAW kinds only")

    for args in (["--help"], ["-h"], ["--convert", "--help"], ["--batch", "--help"]):
        r = run([ORBICK, *args])
        check(r.returncode == 0 and r.stdout.startswith("usage: orbick") and r.stderr == "",
              f"{args}: {r.returncode}")
    r = run([ORBICK, "--help"])
    check("--convert" in r.stdout and "--batch" in r.stdout and "--version" in r.stdout,
          "--help names every command")
    r = run([ORBICK, "--version"])
    check(r.returncode == 0 and r.stdout.startswith("Sample Orbick") and r.stdout.endswith("\n"),
          f"--version: {r.stdout!r}")


def main():
    with tempfile.TemporaryDirectory(prefix="orbick-safety-") as tmp:
        src16 = os.path.join(tmp, "src16.wav")
        wav(src16, 16, 100000)
        src24 = os.path.join(tmp, "src24.wav")
        wav(src24, 24, 50000)
        work = os.path.join(tmp, "targets")
        os.mkdir(work)
        non_regular_targets(work, src16)
        file_size_limit(tmp, src16)
        names_and_defaults(tmp, src16, src24)
    print(f"{passes} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
