#!/usr/bin/python3
"""`orbick --batch MACRO.bas ARG...`: the arguments reach the macro as
Command$ (one text, quoted where needed), CommandArg$(i) and CommandArgCount;
examples/normalize.bas serves many files, one run per file, also several at
once through xargs -P. Results are read back with libsndfile.

usage: batch_args_test.py ORBICK EXAMPLES_FOLDER
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
import soundfile as sf

ORBICK = sys.argv[1]
NORMALIZE = os.path.join(sys.argv[2], "normalize.bas")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def batch(*args, cwd=None):
    return subprocess.run([ORBICK, "--batch", *args], capture_output=True, text=True, cwd=cwd,
                          timeout=120)


def printed(text):
    """Lines of Print output, without the blank Print puts before each item."""
    return [line[1:] if line.startswith(" ") else line for line in text.split("\n")]


SHOW = """Sub Main ()
    Print "[" & Command$ & "]"
    Print CommandArgCount()
    For i = 0 To CommandArgCount() + 1
        Print "<" & CommandArg$(i) & ">"
    Next i
    Print Len(Command())
End Sub
"""

with tempfile.TemporaryDirectory(prefix="orbick-batch-args-") as tmp:
    config = os.path.join(tmp, "config")
    os.mkdir(config)
    show = os.path.join(tmp, "show.bas")
    open(show, "w").write(SHOW)

    r = batch("--config-dir", config, show, "one", "two words", "", 'say "hi"', "-x", "--flag")
    lines = printed(r.stdout)
    check(r.returncode == 0, f"show: {r.returncode} {r.stderr}")
    want_text = 'one "two words" "" "say ""hi""" -x --flag'
    check(lines[0] == f"[{want_text}]", f"Command$: {lines[0]!r}")
    check(lines[1] == "6", f"CommandArgCount: {lines[1]!r}")
    check(lines[2:10] == ["<>", "<one>", "<two words>", "<>", '<say "hi">', "<-x>", "<--flag>", "<>"],
          f"CommandArg$: {lines[2:10]!r}")
    check(lines[10] == str(len(want_text)), f"Command() without $: {lines[10]!r}")

    r = batch(show, "--config-dir", config)  # the older order: options after the macro
    check(r.returncode == 0 and printed(r.stdout)[:2] == ["[]", "0"],
          f"no arguments: {r.stdout!r} {r.stderr!r}")
    r = batch(show, "--config-dir", config, "a")
    check(r.returncode == 0 and printed(r.stdout)[:2] == ["[a]", "1"],
          f"argument after --config-dir: {r.stdout!r}")
    for args in ([], ["--config-dir"], ["--bogus", show]):
        r = batch(*args)
        check(r.returncode == 2 and r.stderr.startswith("usage: orbick --batch"), f"usage for {args}")

    # One macro, many files: normalize to -1 dB (and -6 dB for one file),
    # each saved in the format it was read in.
    rng = np.random.default_rng(23)
    names = []
    for i, subtype in enumerate(("PCM_16", "PCM_24", "FLOAT", "PCM_16")):
        x = (rng.uniform(-0.3, 0.3, (2000 + 100 * i, 2)) * (i + 1) / 4).astype(np.float32)
        name = f"s{i}.wav"
        sf.write(os.path.join(tmp, name), x, 44100, subtype=subtype)
        names.append((name, subtype))
    out = os.path.join(tmp, "out")
    os.mkdir(out)
    r = batch("--config-dir", config, NORMALIZE, names[0][0], "out/" + names[0][0], "-6", cwd=tmp)
    check(r.returncode == 0 and r.stderr == "", f"normalize -6: {r.stderr!r}")
    # The rest several at once, as the README recipe runs them.
    listing = "".join(f"{n}\0" for n, _ in names[1:])
    r = subprocess.run(["xargs", "-0", "-P", "2", "-I", "{}", ORBICK, "--batch", "--config-dir",
                        config, NORMALIZE, "{}", "out/{}"], input=listing, capture_output=True,
                       text=True, cwd=tmp, timeout=300)
    check(r.returncode == 0 and r.stderr == "", f"xargs -P 2: {r.returncode} {r.stderr!r}")
    for i, (name, subtype) in enumerate(names):
        path = os.path.join(out, name)
        if not os.path.exists(path):
            check(False, f"{name} written")
            continue
        y, rate = sf.read(path, dtype="float64")
        level = -6.0 if i == 0 else -1.0
        peak = 20 * np.log10(np.max(np.abs(y)))
        check(abs(peak - level) < 0.01, f"{name}: peak {peak:.3f} dB, wanted {level}")
        check(sf.info(path).subtype == subtype and rate == 44100, f"{name}: kept {subtype}")

    r = batch("--config-dir", config, NORMALIZE, "only-one", cwd=tmp)
    # Batch mode shows MsgBox text on standard output.
    check("usage: orbick --batch normalize.bas" in r.stdout, f"normalize usage: {r.stdout!r}")

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
