#!/usr/bin/python3
"""The Cut or Keep List through `orbick --batch`: marker pairs bound
sections; OB_CUTKEEPLIST_FILE writes each section beside the wave (the
extension dot found in the file name only) and OB_CUTKEEPLIST_CUT puts every
frame outside the sections into a new editor, saved here and read by sox.
The wave's own file and markers never change.

usage: cut_keep_macros.py ORBICK"""
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


def sox_read(path, channels):
    """The samples of `path` as sox decodes them (float32, interleaved; sox
    carries samples as 32-bit integers, so floats come back within 1e-7)."""
    raw = subprocess.run(["sox", path, "-t", "f32", "-e", "floating-point", "-"],
                         check=True, capture_output=True).stdout
    return np.frombuffer(raw, dtype="<f4").reshape(-1, channels)


def run(folder, name, body):
    path = os.path.join(folder, name + ".bas")
    with open(path, "w") as f:
        f.write("Sub Main ()\n" + body + "End Sub\n")
    config = os.path.join(folder, "config-" + name)
    os.makedirs(config, exist_ok=True)
    env = dict(os.environ)
    env.pop("ORBICK_HOME", None)
    done = subprocess.run([ORBICK, "--batch", path, "--config-dir", config], cwd=folder,
                          capture_output=True, text=True, env=env, timeout=120)
    check(done.returncode == 0, "%s: status %d\n%s%s" % (name, done.returncode, done.stdout,
                                                         done.stderr))
    return done.stdout.split(), done.stdout + done.stderr


def markers(editor, positions):
    return "".join("    obSetMarker %s, %d, %d\n" % (editor, i, p) for i, p in enumerate(positions))


rng = np.random.default_rng(18)
N = 5000
sound = np.clip(rng.standard_normal((N, 2)) * 0.25, -0.9, 0.9).astype(np.float32)

with tempfile.TemporaryDirectory() as tmp:
    # A folder name with a dot: the dot of the extension is the file name's.
    folder = os.path.join(tmp, "takes.v2")
    os.makedirs(folder)
    source = os.path.join(folder, "take.wav")
    sf.write(source, sound, 44100, subtype="FLOAT")
    before = open(source, "rb").read()

    # Files: markers (unordered, one duplicate) give sections 100..200 and
    # 900..1500; the marker at 4000 has no partner.
    positions = [1500, 100, 900, 200, 4000, 200]
    words, text = run(folder, "files",
                      '    e = obOpenEditor()\n    obOpenWave e, "take.wav"\n'
                      "    obSetFormatType OB_FORMAT_WAV32\n" + markers("e", positions) +
                      "    Print obCutKeepList(e, OB_CUTKEEPLIST_FILE)\n"
                      "    Print obInquire(e, OB_INQUIRE_MARKER, 0)\n"
                      "    Print obInquire(e, OB_INQUIRE_SIZE, 0)\n")
    check(words == ["1", "1500", str(N)], "files: result %r (%s)" % (words, text))
    for number, (a, b) in enumerate([(100, 200), (900, 1500)], start=1):
        path = os.path.join(folder, "take.%d.wav" % number)
        check(os.path.exists(path), "files: %s missing" % path)
        if os.path.exists(path):
            got = sox_read(path, 2)
            check(got.shape == (b - a + 1, 2) and np.allclose(got, sound[a:b + 1], rtol=0, atol=1e-6),
                  "files: section %d differs (shape %r)" % (number, got.shape))
    check(not os.path.exists(os.path.join(folder, "take.3.wav")), "files: a third section")
    check(not any(n.startswith("takes") for n in os.listdir(tmp) if n != "takes.v2"),
          "files: written beside the folder, not in it")
    check(open(source, "rb").read() == before, "files: the wave's own file changed")

    # A name without an extension inside a dotted folder: take.1.wav style
    # names are appended to the whole name.
    plain = os.path.join(folder, "plain")
    sf.write(plain, sound[:1000], 44100, format="WAV", subtype="FLOAT")
    words, text = run(folder, "plain",
                      '    e = obOpenEditor()\n    obOpenWave e, "plain"\n'
                      "    obSetFormatType OB_FORMAT_WAV16\n" + markers("e", [10, 19]) +
                      "    Print obCutKeepList(e, OB_CUTKEEPLIST_FILE)\n")
    check(words[:1] == ["1"], "plain: result %r (%s)" % (words, text))
    path = os.path.join(folder, "plain.1.wav")
    if os.path.exists(path):
        got = sox_read(path, 2)
        want = np.trunc(sound[10:20] * 32767) / 32768
        check(got.shape == (10, 2) and np.allclose(got, want, atol=1.0 / 32768),
              "plain: 16-bit section differs")
    else:
        check(False, "plain: plain.1.wav missing")

    # Cut: every frame outside the sections goes to a new editor; the wave
    # itself stays as it was.
    words, text = run(folder, "cut",
                      '    e = obOpenEditor()\n    obOpenWave e, "take.wav"\n' + markers("e", [100, 200, 900, 1500]) +
                      "    Print obCutKeepList(e, OB_CUTKEEPLIST_CUT)\n"
                      "    n = obGetActiveEditorID()\n"
                      "    Print n <> e\n"
                      "    Print obInquire(e, OB_INQUIRE_SIZE, 0)\n"
                      "    obSetFormatType OB_FORMAT_WAV32\n"
                      '    Print obSaveAsWave(n, "cut.wav")\n')
    check(words[:1] == ["1"], "cut: result %r (%s)" % (words, text))
    check(words[2:3] == [str(N)], "cut: the wave's length changed: %r" % words)
    cut = os.path.join(folder, "cut.wav")
    if os.path.exists(cut):
        got = sox_read(cut, 2)
        want = np.concatenate([sound[:100], sound[201:900], sound[1501:]])
        check(got.shape == want.shape and np.allclose(got, want, rtol=0, atol=1e-6),
              "cut: frames differ (shape %r, want %r)" % (got.shape, want.shape))
    else:
        check(False, "cut: no result saved")

    # Sections covering the whole wave leave nothing: no editor is made.
    words, text = run(folder, "all",
                      '    e = obOpenEditor()\n    obOpenWave e, "take.wav"\n' + markers("e", [0, N - 1]) +
                      "    Print obCutKeepList(e, OB_CUTKEEPLIST_CUT)\n"
                      "    Print obGetNextOpenEditor(e + 1)\n")
    check(words[:2] == ["1", "0"], "all: %r (%s)" % (words, text))

    # Fewer than two marker positions: the sections message, result 0.
    words, text = run(folder, "none",
                      '    e = obOpenEditor()\n    obOpenWave e, "take.wav"\n' + markers("e", [300, 300]) +
                      "    Print obCutKeepList(e, OB_CUTKEEPLIST_CUT)\n")
    check(words[:1] == ["0"] and "No Marker sections established" in text,
          "none: %r (%s)" % (words, text))

    # A wave without a path writes nothing and says so.
    words, text = run(folder, "nopath",
                      "    e = obOpenEditor()\n"
                      "    r = obGenerate(e, OB_GEN_SINE, 8000, 440, 1, 50)\n" +
                      markers("e", [10, 20]) +
                      "    Print obCutKeepList(e, OB_CUTKEEPLIST_FILE)\n")
    check(words[-1:] == ["0"] and "no file name" in text, "nopath: %r (%s)" % (words, text))
    check(not [n for n in os.listdir(folder) if n.startswith(".1")], "nopath: wrote a file")

    # Out-of-range modes are refused without a message.
    words, text = run(folder, "badmode",
                      '    e = obOpenEditor()\n    obOpenWave e, "take.wav"\n' + markers("e", [1, 2]) +
                      "    Print obCutKeepList(e, 3)\n    Print obCutKeepList(e, -1)\n")
    check(words[:2] == ["0", "0"], "badmode: %r" % words)

if failures:
    print("%d failures" % len(failures))
    sys.exit(1)
print("ok")
