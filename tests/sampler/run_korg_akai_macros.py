#!/usr/bin/python3
"""Korg DSS-1, Korg DSM-1 and Akai S612 transfers through `orbick --batch`
macros (obSend/obReceive) against orbick-sampler-sim in its --dss1, --dsm1
and --s612 modes, with the simulator's faults. What the editor sent is
compared with a numpy model of the sample packing written from the wire
format; what it received is read back from a WAV with libsndfile and
compared with what the simulator says it gave.

usage: run_korg_akai_macros.py ORBICK SIM
"""
import os
import sys
import tempfile

import numpy as np
import soundfile as sf

from sim_process import RECEIVE_BODY, SimProcess, printed, run_batch
from sim_process import check as expect
from sim_process import failures as problems

ORBICK, SIM = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])


def model12(x):
    """The 16-bit word of a 12-bit sample on the wire, as a signed value."""
    v = np.trunc(np.clip(x.astype(np.float64), -1, 1) * 32767).astype(np.int64)
    return ((v + 32768) & 0xFFF0) - 32768


def model14(x):
    v = np.trunc(np.clip(x.astype(np.float64), -1, 1) * 32767).astype(np.int64)
    return ((((v + 32768) & 0xFFFF) >> 2) << 2) - 32768


def pairs(path):
    """address value lines -> (addresses, values)."""
    if not os.path.exists(path):
        return np.zeros(0, np.int64), np.zeros(0, np.int64)
    data = np.loadtxt(path, dtype=np.int64, ndmin=2)
    if data.size == 0:
        return np.zeros(0, np.int64), np.zeros(0, np.int64)
    return data[:, 0], data[:, 1]


def hexbytes(path):
    with open(path) as f:
        return [int(b, 16) for b in f.read().split()]


def six(m, at):
    return 2 * m[at] + (1 if m[at + 1] else 0) + 512 * m[at + 2] + (256 if m[at + 3] else 0) + \
        (65536 if m[at + 5] else 0) + 131072 * m[at + 4]


def three(m, at):
    return m[at] + 128 * m[at + 1] + 16384 * m[at + 2]


def transfer(tmp, label, mode, stype, body_args, wave=None, rate=44100, sim_options=(),
             receive=False, loop=None):
    """Runs one macro against a fresh simulator; returns (printed, log, store, received)."""
    folder = os.path.join(tmp, label)
    os.makedirs(folder)
    sim = SimProcess(SIM, folder, [mode], "sim.sock", sim_options)
    try:
        lines = []
        if wave is not None:
            sf.write(os.path.join(folder, "in.wav"), wave, rate, subtype="FLOAT")
            lines.append('obOpenWave e, "in.wav"')
        if loop:
            lines.append("obSetLoop e, 0, %d, %d, OB_SETLOOP_FORWARD, OB_SETLOOP_SUSTAIN" % loop)
        lines.append("obSetSamplerType " + stype)
        prefix = "".join(line + "\n" for line in lines)
        if receive:
            body = RECEIVE_BODY % (prefix, "obReceive(e, %s)" % body_args)
        else:
            body = "e = obOpenEditor()\n%sPrint obSend(e, %s)" % (prefix, body_args)
        done = run_batch(ORBICK, folder, label + ".bas", "Sub Main ()\n" + body + "\nEnd Sub\n",
                         "MidiTimeout=1500\nMidiWaitLimit=6000\n",
                         {"ORBICK_MIDI_SOCKET": sim.socket}, 120)
    finally:
        log_lines = sim.stop()
    got = printed(done)
    path = os.path.join(folder, "got.wav")
    received = sf.read(path, dtype="float32") if os.path.exists(path) else None
    return got, log_lines, sim.store, received


# obSend/obReceive arguments: sound, bank, multisound, channel, flags, in, out
def args(sound=1, bank=1, multisound=1, channel=1, flags=0):
    return "%d, %d, %d, %d, %d, 0, 0" % (sound, bank, multisound, channel, flags)


with tempfile.TemporaryDirectory() as tmp:
    rng = np.random.default_rng(25)

    # ---- DSS-1 send: 2500 frames in blocks of 1000, 1000, 500 ----
    wave = rng.uniform(-1, 1, 2500).astype(np.float32)
    wave[:2] = [1.0, -1.0]
    got, log, store, _ = transfer(tmp, "dss1send", "--dss1", "OB_SAMPLER_DSS1", args(channel=3),
                                  wave, 44100, loop=(100, 1999))
    expect(got == [1], "dss1send: printed %r" % got)
    addresses, values = pairs(os.path.join(store, "korg_pcm.txt"))
    expect(np.array_equal(addresses, np.arange(2500)), "dss1send: addresses")
    expect(np.array_equal(values, model12(wave)), "dss1send: samples differ from the model")
    blocks = [l for l in log if l.startswith("rx pcm block")]
    expect(blocks == ["rx pcm block 0 start=0 end=1000 ok", "rx pcm block 1 start=1000 end=2000 ok",
                      "rx pcm block 2 start=2000 end=2500 ok"], "dss1send: blocks %r" % blocks)
    params = hexbytes(os.path.join(store, "korg_params.txt"))
    expect(len(params) == 2 * 36 + 24, "dss1send: parameter dump length %d" % len(params))
    expect(params[2] == 0x32 and params[5] == 0, "dss1send: channel and multisound bytes")
    expect(six(params, 39) == 2500 and six(params, 45) == 100 and six(params, 51) == 1900,
           "dss1send: length and loop %r" % [six(params, 39), six(params, 45), six(params, 51)])
    expect(params[57] & 31 == 3 and params[22] == 127 and params[23] == 60,
           "dss1send: rate code and keys")
    expect(sum(params[5:-2]) & 0x7F == params[-2], "dss1send: checksum")

    # ---- DSS-1 send faults ----
    wave = rng.uniform(-0.5, 0.5, 1500).astype(np.float32)
    got, log, store, _ = transfer(tmp, "dss1nak5", "--dss1", "OB_SAMPLER_DSS1", args(), wave,
                                  sim_options=("--nak", "1:5", "--nak", "h:2"))
    expect(got == [1] and sum(1 for l in log if l.startswith("rx pcm block 1 ")) == 6,
           "dss1nak5: five NAKs then taken: %r" % got)
    expect(sum(1 for l in log if l.startswith("rx parameters")) == 3, "dss1nak5: parameters")
    got, log, store, _ = transfer(tmp, "dss1nak6", "--dss1", "OB_SAMPLER_DSS1", args(), wave,
                                  sim_options=("--nak", "1:6"))
    expect(got == [0] and not any(l.startswith("rx parameters") for l in log),
           "dss1nak6: the sixth NAK ends: %r" % got)
    big = rng.uniform(-0.5, 0.5, 4000).astype(np.float32)
    got, log, store, _ = transfer(tmp, "dss1quiet", "--dss1", "OB_SAMPLER_DSS1", args(flags=1), big)
    expect(got == [0] and not any(l.startswith("rx pcm") for l in log),
           "dss1quiet: too large and quiet is a failure")
    got, log, store, _ = transfer(tmp, "dss1chop", "--dss1", "OB_SAMPLER_DSS1", args(flags=3), big)
    addresses, values = pairs(os.path.join(store, "korg_pcm.txt"))
    expect(got == [1] and np.array_equal(values, model12(big[:3000])), "dss1chop: 3000 sent")
    for label, options in (("dss1wrong", ("--foreign", "h")), ("dss1silent", ("--silence", "h")),
                           ("dss1foreign", ("--foreign", "0"))):
        got, log, store, _ = transfer(tmp, label, "--dss1", "OB_SAMPLER_DSS1", args(), wave,
                                      sim_options=options)
        expect(got == [0], "%s: printed %r" % (label, got))

    # ---- DSS-1 receive: multisound 1, sound 2 (start 3000, 3000 long, 24000 Hz) ----
    got, log, store, received = transfer(tmp, "dss1recv", "--dss1", "OB_SAMPLER_DSS1",
                                         args(sound=2), receive=True,
                                         sim_options=("--bad-checksum", "1:4", "--truncate", "2"))
    expect(got[:5] == [1, 3000, 24000, 1000, 1799], "dss1recv: printed %r" % got)
    addresses, values = pairs(os.path.join(store, "korg_given.txt"))
    last = {}
    for a, v in zip(addresses, values):
        last[int(a)] = int(v)
    want = np.array([last.get(3000 + i, 99999) for i in range(3000)]) / 32768.0
    expect(received is not None and received[1] == 24000 and
           np.array_equal(received[0], want.astype(np.float32)), "dss1recv: samples")
    got, log, store, received = transfer(tmp, "dss1bad5", "--dss1", "OB_SAMPLER_DSS1",
                                         args(sound=2), receive=True,
                                         sim_options=("--bad-checksum", "1:5"))
    expect(got[:2] == [0, 3000] and received is not None and
           not received[0][1000:].any() and received[0][:1000].any(),
           "dss1bad5: the fifth bad block ends, the rest silent: %r" % got)
    got, log, store, received = transfer(tmp, "dss1toohigh", "--dss1", "OB_SAMPLER_DSS1",
                                         args(multisound=3), receive=True)
    expect(got[:2] == [0, 0], "dss1toohigh: %r" % got)

    # ---- DSM-1 send: bank 2, multisound 2 (address 6000), sound 1 ----
    wave = rng.uniform(-1, 1, 2000).astype(np.float32)
    got, log, store, _ = transfer(tmp, "dsm1send", "--dsm1", "OB_SAMPLER_DSM1",
                                  args(bank=2, multisound=2), wave, 22050)
    addresses, values = pairs(os.path.join(store, "korg_pcm.txt"))
    expect(got == [1] and np.array_equal(addresses, 6000 + np.arange(2000)) and
           np.array_equal(values, model12(wave)),
           "dsm1send: %r %r" % (got, addresses[:3]))
    params = hexbytes(os.path.join(store, "korg_params.txt"))
    expect(len(params) == 18 + 21 and params[5] == 0x11 and params[36] & 31 == 1,
           "dsm1send: parameter dump %r" % params)
    # Too large: a new multisound is only made after a question; quiet fails.
    got, log, store, _ = transfer(tmp, "dsm1quiet", "--dsm1", "OB_SAMPLER_DSM1", args(flags=1),
                                  rng.uniform(-1, 1, 7000).astype(np.float32))
    expect(got == [0], "dsm1quiet: %r" % got)

    # ---- DSM-1 receive: bank 1, multisound 1, sound 2 ----
    got, log, store, received = transfer(tmp, "dsm1recv", "--dsm1", "OB_SAMPLER_DSM1",
                                         args(sound=2), receive=True)
    expect(got[:3] == [1, 3000, 24000], "dsm1recv: printed %r" % got)
    addresses, values = pairs(os.path.join(store, "korg_given.txt"))
    expect(received is not None and np.array_equal(addresses, 3000 + np.arange(3000)) and
           np.array_equal(received[0], (values / 32768.0).astype(np.float32)), "dsm1recv: samples")

    # ---- Akai S612 send: 1000 samples, still 126 blocks ----
    wave = rng.uniform(-1, 1, 1000).astype(np.float32)
    got, log, store, _ = transfer(tmp, "s612send", "--s612", "OB_SAMPLER_AKAIS612",
                                  args(channel=12), wave, 16000)
    expect(got == [1], "s612send: %r" % got)
    expect(sum(1 for l in log if l.startswith("rx block request")) == 126, "s612send: 126 requests")
    path = os.path.join(store, "s612_sample.txt")
    memory = np.loadtxt(path, dtype=np.int64) if os.path.exists(path) else np.zeros(0)
    expect(len(memory) == 32256 and np.array_equal(memory[:1000], model14(wave)) and
           not memory[1000:].any(), "s612send: memory")
    got, log, store, _ = transfer(tmp, "s612foreign", "--s612", "OB_SAMPLER_AKAIS612", args(),
                                  wave, 16000, sim_options=("--foreign", "7"))
    expect(got == [0] and sum(1 for l in log if l.startswith("rx block request")) == 8,
           "s612foreign: %r" % got)

    # ---- Akai S612 receive ----
    got, log, store, received = transfer(tmp, "s612recv", "--s612", "OB_SAMPLER_AKAIS612", args(),
                                         receive=True)
    expect(got[:5] == [1, 32256, 16000, 1000, 30000], "s612recv: printed %r" % got)
    given = np.loadtxt(os.path.join(store, "s612_given.txt"), dtype=np.int64)
    expect(received is not None and
           np.array_equal(received[0], (given / 32768.0).astype(np.float32)), "s612recv: samples")
    got, log, store, received = transfer(tmp, "s612early", "--s612", "OB_SAMPLER_AKAIS612", args(),
                                         receive=True, sim_options=("--no-more", "5"))
    expect(got[:2] == [1, 32256] and received is not None and received[0][:1280].any() and
           not received[0][1280:].any(), "s612early: %r" % got)
    got, log, store, received = transfer(tmp, "s612trunc", "--s612", "OB_SAMPLER_AKAIS612", args(),
                                         receive=True, sim_options=("--truncate", "3"))
    expect(got[:2] == [0, 32256] and not received[0][768:].any(), "s612trunc: %r" % got)
    got, log, store, received = transfer(tmp, "s612silent", "--s612", "OB_SAMPLER_AKAIS612",
                                         args(), receive=True, sim_options=("--silence", "h"))
    expect(got[:2] == [0, 0], "s612silent: %r" % got)

if problems:
    print("%d failure(s)" % len(problems))
    sys.exit(1)
print("korg and akai macros: all passed")
