#!/usr/bin/python3
"""Runs macros through `orbick --batch` on sounds generated here and checks
the results with independent readers: libsndfile (soundfile), sox, numpy and
a RIFF chunk parser written from the file layout.

usage: run_macros.py ORBICK SCRIPTING.md
"""
import os
import re
import signal
import struct
import subprocess
import sys
import tempfile

import numpy as np
import soundfile as sf

ORBICK = sys.argv[1]
DOCS = sys.argv[2]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(folder, macro, config=None, expect_status=0, name="m.bas"):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write(macro)
    config = config or os.path.join(folder, "config")
    os.makedirs(config, exist_ok=True)
    env = dict(os.environ)
    env.pop("ORBICK_HOME", None)
    done = subprocess.run([ORBICK, "--batch", path, "--config-dir", config], cwd=folder,
                          capture_output=True, text=True, env=env, timeout=120)
    check(done.returncode == expect_status,
          "%s: status %d, expected %d\nstdout:\n%s\nstderr:\n%s"
          % (name, done.returncode, expect_status, done.stdout, done.stderr))
    return done


def numbers(text):
    return [float(x) for x in text.split()]


def riff_chunks(path):
    data = open(path, "rb").read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE"
    chunks, pos = {}, 12
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        chunks[cid] = data[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    return chunks


with tempfile.TemporaryDirectory() as tmp:
    rng = np.random.default_rng(7)
    mono = (rng.uniform(-0.5, 0.5, 4410)).astype(np.float32)
    stereo = (rng.uniform(-0.4, 0.4, (3000, 2))).astype(np.float32)
    sf.write(os.path.join(tmp, "in.wav"), mono, 44100, subtype="FLOAT")
    sf.write(os.path.join(tmp, "st.wav"), stereo, 48000, subtype="FLOAT")

    # The typical event: obGain 3, -6.0 on editor 3.
    done = run(tmp, """Sub Main ()
    a = obOpenEditor()
    b = obOpenEditor()
    c = obOpenEditor()
    Print a, b, c
    obOpenWave 3, "in.wav"
    Print obGain(3, -6.0)
    obSetFormatType OB_FORMAT_WAV32
    Print obSaveAsWave(3, "gain.wav")
End Sub
""", name="gain.bas")
    check(numbers(done.stdout) == [1, 2, 3, 1, 1], "gain output: %r" % done.stdout)
    out, rate = sf.read(os.path.join(tmp, "gain.wav"), dtype="float32")
    expected = (mono.astype(np.float64) * 10 ** (-6 / 20)).astype(np.float32)
    check(rate == 44100 and np.array_equal(out, expected), "gain samples differ")

    # Every inquiry on a stereo sound with loops and markers.
    done = run(tmp, """Sub Main ()
    e = obOpenEditor()
    obOpenWave e, "st.wav"
    Print obSetLoop(e, 2, 2500, 100, OB_SETLOOP_FORWARDBACKWARD, OB_SETLOOP_SUSTAIN)
    Print obSetLoop(e, 4, 40, 40, OB_SETLOOP_FORWARD, OB_SETLOOP_RELEASE)
    Print obSetLoop(e, 5, 300, 9000, OB_SETLOOP_FORWARD, OB_SETLOOP_RELEASE)
    Print obSetMarker(e, 0, 1000), obSetMarker(e, 1, 1999), obSetMarker(e, 7, 123456)
    obSetAffectType OB_AFFECT_MARKERS
    obSetEditChannel OB_EDIT_LEFT
    For i = OB_INQUIRE_CHANNELS To OB_INQUIRE_FORMAT
        Print obInquire(0, i, 2)
    Next i
    Print obInquire(e, OB_INQUIRE_MARKER, 7), obInquire(e, OB_INQUIRE_LOOPEND, 5)
    Print obInquire(e, 14, 0), obInquire(42, OB_INQUIRE_SIZE, 0)
    obSetFormatType OB_FORMAT_WAV16
    Print obSaveAsWave(e, "loops.wav")
End Sub
""", name="inquire.bas")
    got = numbers(done.stdout)
    period = int(1e9 / 48000)
    expected = [1, 0, 1, 1, 1, 1,
                2, 3000, period, 48000, -1, 100, 2500, 2, 5, 1000, 1999, 1, -1, 17,
                2999, 2999, -1, -1, 1]
    check(got == expected, "inquire: %r != %r" % (got, expected))
    chunks = riff_chunks(os.path.join(tmp, "loops.wav"))
    check(b"smpl" in chunks and b"cue " in chunks, "loops.wav lacks smpl or cue")
    if b"smpl" in chunks:
        smpl = chunks[b"smpl"]
        count = struct.unpack("<I", smpl[28:32])[0]
        loops = [struct.unpack("<6I", smpl[36 + 24 * i:60 + 24 * i]) for i in range(count)]
        spans = sorted((l[2], l[3]) for l in loops)
        check(spans == [(100, 2500), (300, 2999)], "smpl loops: %r" % (spans,))
    if b"cue " in chunks:
        cue = chunks[b"cue "]
        n = struct.unpack("<I", cue[:4])[0]
        points = sorted(struct.unpack("<6I", cue[4 + 24 * i:28 + 24 * i])[5] for i in range(n))
        check(points == [1000, 1999, 2999], "cue points: %r" % (points,))
    st16, _ = sf.read(os.path.join(tmp, "loops.wav"), dtype="float64")
    check(np.max(np.abs(st16 - stereo)) <= 2.0 / 32768, "16-bit stereo samples differ")

    # Open and save in every format with a writer; libsndfile and sox read
    # the ones they know, our reader opens every one again.
    # Tolerances: two steps of the stored resolution (u-law for AU).
    formats = [("OB_FORMAT_WAV8", "w8.wav", 1 / 64), ("OB_FORMAT_WAV16", "w16.wav", 1 / 16384),
               ("OB_FORMAT_WAV24", "w24.wav", 1 / 16384), ("OB_FORMAT_WAV32", "w32.wav", 0),
               ("OB_FORMAT_AIFF16", "a16.aif", 1 / 16384), ("OB_FORMAT_AIFF24", "a24.aif", 1 / 16384),
               ("OB_FORMAT_AU", "s.au", 1 / 32), ("OB_FORMAT_8SVX", "s.8svx", 1 / 64),
               ("OB_FORMAT_VOC", "s.voc", 1 / 64), ("OB_FORMAT_SD1", "s.sd1", None),
               ("OB_FORMAT_S16_3", "s.s16", None), ("OB_FORMAT_RAW16I", "s.raw", None)]
    lines = ["Sub Main ()", "    e = obOpenEditor()", '    obOpenWave e, "in.wav"']
    for const, name, _ in formats:
        lines += ["    obSetFormatType %s" % const,
                  '    r = obSaveAsWave(e, "%s")' % name,
                  "    f = obOpenEditor()",
                  '    obOpenWave f, "%s"' % name,
                  '    Print r, obInquire(f, OB_INQUIRE_SIZE, 0), obInquire(f, OB_INQUIRE_FORMAT, 0)',
                  "    obCloseEditor f"]
    lines.append("End Sub\n")
    done = run(tmp, "\n".join(lines), name="formats.bas")
    rows = [numbers(l) for l in done.stdout.strip().splitlines()]
    check(len(rows) == len(formats), "formats: %d rows" % len(rows))
    codes = {"OB_FORMAT_WAV8": 5, "OB_FORMAT_WAV16": 6, "OB_FORMAT_WAV24": 19,
             "OB_FORMAT_WAV32": 17, "OB_FORMAT_AIFF16": 0, "OB_FORMAT_AIFF24": 18,
             "OB_FORMAT_AU": 14, "OB_FORMAT_8SVX": 3, "OB_FORMAT_VOC": 15, "OB_FORMAT_SD1": 2,
             "OB_FORMAT_S16_3": 13, "OB_FORMAT_RAW16I": 10}
    for (const, name, tolerance), row in zip(formats, rows):
        check(row[0] == 1 and row[1] == len(mono), "%s: saved %r" % (name, row))
        if const != "OB_FORMAT_RAW16I":
            check(row[2] == codes[const], "%s: reopened as format %r" % (name, row[2]))
        path = os.path.join(tmp, name)
        if const == "OB_FORMAT_RAW16I":
            raw = np.frombuffer(open(path, "rb").read(), dtype="<i2") / 32768.0
            check(len(raw) == len(mono) and np.max(np.abs(raw - mono)) <= 1 / 16384,
                  "raw samples differ")
        elif tolerance is not None:
            data, rate = sf.read(path, dtype="float64")
            check(rate == 44100 and len(data) == len(mono), "%s: libsndfile read" % name)
            if len(data) == len(mono):
                check(np.max(np.abs(data - mono)) <= tolerance, "%s: samples differ" % name)
            info = subprocess.run(["sox", path, "-n", "stat"], capture_output=True, text=True)
            read = re.search(r"Samples read:\s+(\d+)", info.stderr)
            check(info.returncode == 0 and read and int(read.group(1)) == len(mono),
                  "%s: sox reads %r" % (name, info.stderr))

    # Split save: mono refuses, stereo writes NAMEL and NAMER in the default format.
    done = run(tmp, """Sub Main ()
    m = obOpenEditor()
    obOpenWave m, "in.wav"
    s = obOpenEditor()
    obOpenWave s, "st.wav"
    obSetFormatType OB_FORMAT_WAV32
    Print obSaveSplit(m, "monobass"), obSaveSplit(s, "  bass  "), obInquire(s, OB_INQUIRE_CHANNELS, 0)
End Sub
""", name="split.bas")
    check(numbers(done.stdout) == [0, 1, 2], "split output: %r" % done.stdout)
    check(not os.path.exists(os.path.join(tmp, "monobassL")), "mono split wrote a file")
    for suffix, channel in (("L", 0), ("R", 1)):
        path = os.path.join(tmp, "bass" + suffix)
        if os.path.exists(path):
            with open(path, "rb") as handle:
                data, rate = sf.read(handle, dtype="float32")
            check(rate == 48000 and data.ndim == 1 and np.array_equal(data, stereo[:, channel]),
                  "split %s differs" % suffix)
        else:
            check(False, "split did not write %s" % path)

    # Undo restores the sound; redo makes the edit again.
    done = run(tmp, """Sub Main ()
    e = obOpenEditor()
    obOpenWave e, "in.wav"
    Print obInvert(e), obUndoWave(e), obRedoWave(e), obUndoWave(e)
    obSetFormatType OB_FORMAT_WAV32
    obSaveAsWave e, "undone.wav"
End Sub
""", name="undo.bas")
    check(numbers(done.stdout) == [1, 1, 1, 1], "undo output: %r" % done.stdout)
    undone, _ = sf.read(os.path.join(tmp, "undone.wav"), dtype="float32")
    check(np.array_equal(undone, mono), "undo did not restore the sound")

    # Messages into the message file; a function not built yet reports there.
    done = run(tmp, """Sub Main ()
    Print obOpenMsgFile("messages.txt")
    Print obSetMsgType(OB_MSGTYPE_FILE)
    Print obWriteMsgFile("first" & Chr(10))
    e = obOpenEditor()
    obOpenWave e, "in.wav"
    Print obAM(e, 1.0, 1.0, 1)
    obOpenWave e, "missing.wav"
    Print obCloseMsgFile(), obCloseMsgFile()
End Sub
""", name="messages.bas")
    check(numbers(done.stdout) == [1, 1, 6, 0, 1, 0], "messages output: %r" % done.stdout)
    text = open(os.path.join(tmp, "messages.txt")).read()
    check(text.startswith("first\nThis item is not yet available.\n\n"), "message file: %r" % text)
    check("missing.wav" not in done.stderr, "messages went to stderr: %r" % done.stderr)

    # Failures: exit status 1 with the engine's result text.
    done = run(tmp, "Sub Main ()\n  x = = 2\nEnd Sub\n", expect_status=1, name="syntax.bas")
    check(done.stderr.strip().endswith("Tessel: Syntax error"), "syntax stderr: %r" % done.stderr)
    check("Sample Orbick: Tessel Script: " in done.stderr, "engine message: %r" % done.stderr)
    check("syntax.bas:2:7: Syntax error at: =" in done.stderr,
          "file, line and column: %r" % done.stderr)
    env = dict(os.environ)
    missing = subprocess.run([ORBICK, "--batch", os.path.join(tmp, "none.bas"), "--config-dir",
                              os.path.join(tmp, "config")], capture_output=True, text=True)
    check(missing.returncode == 1 and
          "Tessel Macro Error: Error loading macro file" in missing.stderr and
          missing.stderr.strip().endswith("Tessel: File not found"),
          "missing macro: %r" % missing.stderr)
    bad = subprocess.run([ORBICK, "--batch"], capture_output=True, text=True)
    check(bad.returncode == 2, "no macro: status %d" % bad.returncode)
    done = run(tmp, "Sub Main ()\n  obNoSuchThing 1\nEnd Sub\n", expect_status=1, name="undef.bas")

    # Ctrl-C: the first aborts the running operation, the second ends the macro.
    path = os.path.join(tmp, "endless.bas")
    with open(path, "w") as f:
        f.write('Sub Main ()\n  Print "ready"\n  Do\n    x = 1\n  Loop\nEnd Sub\n')
    process = subprocess.Popen([ORBICK, "--batch", path, "--config-dir", os.path.join(tmp, "config")],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    check(process.stdout.readline().strip() == "ready", "endless macro did not start")
    # Signals sent at once may merge into one: repeat until the program ends.
    for _ in range(100):
        process.send_signal(signal.SIGINT)
        try:
            process.wait(timeout=0.2)
            break
        except subprocess.TimeoutExpired:
            pass
    else:
        process.kill()
    _, err = process.communicate(timeout=60)
    check(process.returncode == 130 and "ended by Ctrl-C" in err,
          "second Ctrl-C: status %r, %r" % (process.returncode, err))

    # Every line the recorder writes compiles and resolves: each in its
    # recorder format, aimed at editor 42, which is not open, so every call
    # returns 0 without a message and the macro runs to its end.
    q = '"x.wav"'
    recorded = [
        "obAM %d, %.4f, %.2f, %d" % (42, 1.5, 20.25, 1), "obAppend %d, %d" % (42, 2),
        "obBackups %d" % 10, "obChorus %d, %.2f, %.1f, %.1f, %.3f, %.1f" % (42, 1, 2, 3, 4, 5),
        "obClickAndPop %d, %s" % (42, "OB_CLICKANDPOP_NORMAL"), "obClone %d" % 42,
        "obCloseEditor %d" % 42, "obCombine %d, %d, %d, %d" % (42, 1, 0, 50),
        "obCompress %d, %.1f, %.2f, %.2f, %.2f, %d" % (42, -20, 4, 0.1, 0.5, 10),
        "obConvolution %d, %d, %s" % (42, 1, q), "obCrossMultiply %d, %d, %d, %d, %d" % (42, 1, 0, 1, 3),
        "obCutKeepList %d, %s" % (42, "OB_CUTKEEPLIST_CUT"), "obDCOffset %d, %d" % (42, 100),
        "obDeleteAffectArea %d" % 42, "obDeleteWave %d" % 42, "obDifferentiate %d" % 42,
        "obEQBass %d, %d, %.1f" % (42, 100, 3),
        "obEQGraFreq %d, %d, %.1f, %d, %.1f, %d, %.1f, %d, %.1f, %d, %.1f" % (42, 100, 1, 200, 2, 400, 3, 800, 4, 1600, 5),
        "obEQHighPass %d, %d, %d" % (42, 100, 2), "obEQLowPass %d, %d, %d" % (42, 100, 2),
        "obEQParametric %d, %d, %.1f, %.2f" % (42, 100, 3, 1), "obEQTreble %d, %d, %.1f" % (42, 5000, -3),
        "obEQVT %d, %d, %d, %d" % (42, 1, 200, 4000), "obEcho %d, %f, %.1f, %.1f" % (42, 0.25, 50, 80),
        "obEnvelopeGenerator %d" % 42, "obFM %d, %.4f, %.2f, %d" % (42, 1.5, 20, 0),
        "obFlange %d, %.2f, %.1f, %.1f, %.3f, %.1f, %d" % (42, 1, 2, 3, 4, 5, 1),
        "obGain %d, %.1f" % (42, -6), "obGenerate %d, %s, %d, %.4f, %.3f, %d" % (42, "OB_GEN_SINE", 44100, 440, 1, 50),
        "obGrunge %d, %d, %d, %d, %d" % (42, 1, 2, 3, 8), "obHarmony %d, %d, %d, %d, %d, %d" % (42, 50, 300, 50, -300, 50),
        "obImpulseModeling %d, %d, %s, %d, %d, %d, %d, %d, %d, %d" % (42, 1, q, 0, 100, 0, 1, 0, 1, 0),
        "obInsertSilence %d, %f, %s, %s" % (42, 1.5, "OB_INSERT_SECONDS", "OB_INSERT_SAMPLESTART"),
        "obIntegrate %d" % 42, "obInvert %d" % 42, "obKeyMap %d, %d, %d, %d" % (42, 0, 60, 127),
        "obLoadClip %d, %s" % (42, q), 'obLoadConfig "none.obx"', 'obLoadEnvGenPreset "none.obx"',
        'obLoadMacros "none.obx"', 'obLoadPlayPrefs "none.obx"', 'obLoadTransFuncPreset "none.obx"',
        "obMaximize %d" % 42, "obMonoStereo %d, %d" % (42, 1), "obMute %d" % 42,
        "obNoiseGate %d, %.1f, %.2f, %.2f, %d" % (42, -40, 0.1, 0.5, 10),
        "obNoiseReduction %d, %s, %d, %s, %s, %s, %.3f, %s" % (42, "OB_NOISEREDUCTION_PROCESSBOTH", 1, q,
            "OB_NOISEREDUCTION_AMOUNTNORMAL", "OB_NOISEREDUCTION_TRACKINGNORMAL", -40, "OB_NOISEREDUCTION_THRESHSTATIC"),
        "obNormalize %d, %.1f" % (42, -1), "obOpenWave %d, %s" % (42, q),
        "obPitchShift %d, %.1f, %d, %d" % (42, 100, 0, 1), "obPlay %d" % 42, "obPlayAffect %d" % 42,
        "obPlayLoop %d" % 42, "obReceive %d, %d, %d, %d, %d, 0, %d, %d" % (42, 1, 1, 1, 1, 0, 0),
        "obRectifyFull %d" % 42, "obRectifyHalf %d" % 42, "obRedoWave %d" % 42,
        "obReplicate %d, %.3f, %s" % (42, 1.5, "OB_REPLICATE_SECS"),
        "obResynthesize %d, %s, %s, %s, %s, %.3f" % (42, "OB_RESYNTH_TIME", "OB_RESYNTH_TIMENORMAL",
            "OB_RESYNTH_FREQNORMAL", "OB_RESYNTH_DISCRIMNORMAL", 1.5),
        "obReverb %d, %.2f, %.1f, %.1f, %.1f, %.1f, %s" % (42, 1.5, 10, 50, 80, 50, "OB_REVERB_HALL"),
        "obReverse %d" % 42, "obSampleRateTranspose %d, %d, %s, %d, %d" % (42, 22050, "OB_SRT_RESAMPLE", 1, 0),
        "obSaveAsWave %d, %s" % (42, q), "obSaveClipByID %d, %d, %s" % (42, 1, q), "obSaveWave %d" % 42,
        "obSend %d, %d, %d, %d, %d, 0, %d, %d" % (42, 1, 1, 1, 1, 0, 0),
        "obSetLoop %d, %d, %d, %d, %s, %s" % (42, 0, 10, 20, "OB_SETLOOP_FORWARD", "OB_SETLOOP_SUSTAIN"),
        "obSetMarker %d, %d, %d" % (42, 0, 10), "obSetMode %d, %s" % (42, "OB_MODE_SCRUB"),
        "obSetOffset %d, %d" % (42, 5), "obShowFull %d" % 42,
        "obSpectralWarp %d, %.3f, %.1f, %.3f, %.1f, %d, %d" % (42, 1, 0, 2, 0, 1, 0),
        "obStereoMono %d, %s" % (42, "OB_SM_LPR"), "obTimeStretch %d, %.1f, %d, %d" % (42, 110, 0, 1),
        "obStopPlay", "obTransferFunction %d" % 42, "obTrim %d" % 42, "obUnClip %d" % 42, "obUndoWave %d" % 42,
    ] + ["obZoomScroll %d, OB_ZOOMSCROLL_%s" % (42, d) for d in
         ("DOWN", "INHORIZ", "INVERT", "LEFT", "OUTHORIZ", "OUTVERT", "RIGHT", "UP")]
    done = run(tmp, "Sub Main ()\n" + "".join(l + "\n" for l in recorded) + "End Sub\n",
               name="recorded_lines.bas")
    # None reports (the preset loads fail silently on a missing file).
    check(done.stderr == "",
          "recorded lines wrote to stderr: %r" % done.stderr)
    # The settings lines change global settings: checked separately.
    done = run(tmp, "Sub Main ()\nobSetAffectType OB_AFFECT_INVIEW\nobSetEditChannel OB_EDIT_RIGHT\n"
               "obSetFormatType OB_FORMAT_AIFF24\nobSetSamplerType OB_SAMPLER_EPS\nobOpenEditor\n"
               "Print obSetAffectType(1), obSetEditChannel(3), obSetFormatType(6), obSetSamplerType(0), "
               "obGetActiveEditorID()\nEnd Sub\n", name="recorded_settings.bas")
    check(numbers(done.stdout) == [2, 2, 18, 3, 1], "recorded settings: %r" % done.stdout)

    # Settings come from the settings folder; no start-up macro runs in batch
    # mode, neither the folder's nor one in the working folder.
    config = os.path.join(tmp, "cfg2")
    os.makedirs(config)
    with open(os.path.join(config, "orbick.ini"), "w") as f:
        f.write("[General]\nERan=3\nEChan=2\nFormat=19\nBups=0\n")
    for folder in (config, tmp):
        with open(os.path.join(folder, "orbick.macroinit"), "w") as f:
            f.write('Sub Main ()\n  Print "startup ran"\nEnd Sub\n')
    done = run(tmp, """Sub Main ()
    Print obSetAffectType(1), obSetEditChannel(3), obSetFormatType(6)
    Print obGetActiveEditorID(), obGetNextOpenEditor(1)
End Sub
""", config=config, name="settings.bas")
    check(numbers(done.stdout) == [3, 2, 19, 0, 0], "settings output: %r" % done.stdout)
    check("startup ran" not in done.stdout, "a start-up macro ran in batch mode")
    os.remove(os.path.join(tmp, "orbick.macroinit"))

    # An Integer parameter of a script function refuses 32768: the call stops
    # with Overflow before the host function runs.
    done = run(tmp, """Sub Main ()
    e = obOpenEditor()
    obOpenWave e, "in.wav"
    Print obSetSampleValue(e, 10, 16384); obGetSampleValue(e, 10)
    Dim v As Long
    v = 32768
    obSetSampleValue e, 10, v
    Print "not reached"
End Sub
""", expect_status=1, name="integer_overflow.bas")
    check(numbers(done.stdout) == [1, 16383], "integer 16384: %r" % done.stdout)
    check("integer_overflow.bas:7: Overflow" in done.stderr,
          "integer 32768 reported: %r" % done.stderr)

    # The examples of docs/SCRIPTING.md run as they stand.
    examples = re.findall(r"```basic\n(.*?)```", open(DOCS).read(), re.S)
    check(len(examples) >= 3, "docs: %d examples" % len(examples))
    for i, example in enumerate(examples):
        folder = os.path.join(tmp, "doc%d" % i)
        os.makedirs(folder)
        sf.write(os.path.join(folder, "in.wav"), mono, 44100, subtype="FLOAT")
        sf.write(os.path.join(folder, "b.wav"), mono[:1000], 22050, subtype="PCM_16")
        done = run(folder, example, name="example%d.bas" % i)
        check(done.stderr == "", "example %d wrote to stderr: %r" % (i, done.stderr))
    if examples:
        out, _ = sf.read(os.path.join(tmp, "doc0", "out.wav"), dtype="float64")
        check(np.max(np.abs(out - mono * 10 ** (-6 / 20))) <= 2 / 32768, "doc example 0")
        messages = open(os.path.join(tmp, "doc1", "messages.txt")).read()
        check(re.fullmatch(r"normalized editor +1\n", messages) is not None,
              "doc example 1: %r" % messages)
        peak = np.max(np.abs(sf.read(os.path.join(tmp, "doc2", "b.wav"))[0]))
        check(peak > 0.999, "doc example 2: peak %r" % peak)

if failures:
    print("%d failure(s)" % len(failures))
    sys.exit(1)
print("all macro checks passed")
