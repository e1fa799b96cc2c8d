#!/usr/bin/python3
"""Writes WAV files with two independent implementations, libsndfile
(python3-soundfile) and sox, and beside each file NAME.wav the samples as that
tool reads them back: NAME.wav.f32, little-endian float32, frames interleaved.

Usage: wav_make_references.py OUTDIR
Prints a manifest line per file: NAME FORMATCODE CHANNELS FRAMES RATE TOLERANCE
"""
import os
import subprocess
import sys

import numpy as np
import soundfile as sf

out = sys.argv[1]
frames = 3001  # odd: 8-bit mono data chunks get a pad byte
t = np.arange(frames)
rng = np.random.default_rng(7)
signal = np.stack([0.8 * np.sin(t * 0.013), 0.6 * np.sin(t * 0.07 + 1.0)], axis=1)
signal = np.clip(signal + rng.uniform(-0.15, 0.15, (frames, 2)), -0.99, 0.99).astype(np.float32)

# name, container, subtype, channels, the format code our reader must report
soundfile_cases = [
    ("sf_u8_mono", "WAV", "PCM_U8", 1, 5),
    ("sf_16_stereo", "WAV", "PCM_16", 2, 6),
    ("sf_24_stereo", "WAV", "PCM_24", 2, 19),
    ("sf_float_mono", "WAV", "FLOAT", 1, 17),
    ("sf_alaw_stereo", "WAV", "ALAW", 2, 5),
    ("sf_ulaw_mono", "WAV", "ULAW", 1, 5),
    ("sf_16_extensible", "WAVEX", "PCM_16", 1, 6),
    ("sf_24_extensible", "WAVEX", "PCM_24", 2, 19),
    ("sf_float_extensible", "WAVEX", "FLOAT", 2, 17),
]
for name, container, subtype, channels, code in soundfile_cases:
    path = os.path.join(out, name + ".wav")
    data = signal if channels == 2 else signal[:, 0]
    sf.write(path, data, 48000, subtype=subtype, format=container)
    back, _ = sf.read(path, dtype="float32", always_2d=True)
    back.astype("<f4").tofile(path + ".f32")
    print(name, code, channels, back.shape[0], 48000, 0)

# sox writes 24-bit files with the extensible tag; it reads its own files back
# into raw floats. Floats pass through sox's 32-bit integer path: allow 1e-7.
sox_cases = [
    ("sox_u8_stereo", ["-b", "8"], 2, 5, 0),
    ("sox_16_mono", ["-b", "16"], 1, 6, 0),
    ("sox_24_stereo", ["-b", "24"], 2, 19, 0),
    ("sox_float_stereo", ["-e", "floating-point", "-b", "32"], 2, 17, 1e-7),
    ("sox_alaw_mono", ["-e", "a-law"], 1, 5, 0),
    ("sox_ulaw_stereo", ["-e", "u-law"], 2, 5, 0),
]
for name, encoding, channels, code, tolerance in sox_cases:
    path = os.path.join(out, name + ".wav")
    subprocess.run(["sox", "-D", "-n", "-r", "32000", "-c", str(channels), *encoding, path,
                    "synth", "0.05", "sine", "440", "sine", "1230", "vol", "0.8"], check=True)
    subprocess.run(["sox", "-D", path, "-t", "f32", "-e", "floating-point", path + ".f32"],
                   check=True)
    samples = os.path.getsize(path + ".f32") // 4
    print(name, code, channels, samples // channels, 32000, tolerance)
