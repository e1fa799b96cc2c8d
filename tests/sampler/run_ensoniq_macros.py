#!/usr/bin/python3
"""Round trips between `orbick --batch` macros calling obSend/obReceive with
the Ensoniq EPS, EPS 16+ and ASR-10 types and `orbick-sampler-sim --eps`
over a Unix socket (ORBICK_MIDI_SOCKET), with the simulator's faults. What
the editor sent is checked against a numpy model of the three-byte sample
packing written from the wire description; what it received is read back
from a WAV with libsndfile.

usage: run_ensoniq_macros.py ORBICK SIM
"""
import os
import sys
import tempfile

import numpy as np
import soundfile as sf

from sim_process import RECEIVE_BODY, SimProcess, check, failures, printed, received, run_batch

ORBICK, SIM = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
HEAD_LINES = 11


class Sim(SimProcess):
    def __init__(self, folder, *options):
        super().__init__(SIM, folder, ["--eps"], "sim.sock", options)

    def wavesample(self, instrument, layer, number):
        """The stored wavesample (wire instrument and layer, 0..7): fields and words."""
        path = os.path.join(self.store, "eps_%d_%d_%d.txt" % (instrument, layer, number))
        if not os.path.exists(path):
            return None
        with open(path) as f:
            lines = f.read().split("\n")
        head = dict(l.partition(" ")[::2] for l in lines[:HEAD_LINES])
        values = np.array([int(x) for x in lines[HEAD_LINES:] if x], dtype=np.int64)
        return head, values


def run(folder, body, sim, name, settings="MidiTimeout=1500\nMidiWaitLimit=6000\n"):
    return run_batch(ORBICK, folder, name, "Sub Main ()\n" + body + "\nEnd Sub\n", settings,
                     {"ORBICK_MIDI_SOCKET": sim.socket}, 120)


def wire(x):
    """The 16-bit word a sample goes out as: x * 32767 limited and truncated."""
    return np.trunc(np.clip(x.astype(np.float64) * 32767, -32768, 32767)).astype(np.int64)


def count(log, prefix):
    return sum(1 for l in log if l.startswith(prefix))


def send_case(tmp, label, wave, rate, stype, args, sim_options=(), loop=None, expect=1, keys=None):
    folder = os.path.join(tmp, label)
    os.makedirs(folder)
    sf.write(os.path.join(folder, "kick.wav"), wave, rate, subtype="FLOAT")
    sim = Sim(folder, *sim_options)
    body = 'e = obOpenEditor()\nobOpenWave e, "kick.wav"\nobSetSamplerType %s\n' % stype
    if loop:
        body += "obSetLoop e, 0, %d, %d, %s, OB_SETLOOP_SUSTAIN\n" % loop
    if keys:
        body += "obKeyMap e, %d, %d, %d\n" % keys
    body += "Print obSend(e, %s, 0, 0)" % args
    done = run(folder, body, sim, label + ".bas")
    log = sim.stop()
    check(printed(done) == [expect], "%s: obSend printed %r, expected %d\n%s"
          % (label, done.stdout, expect, done.stderr))
    return sim, log


def receive_case(tmp, label, stype, args, sim_options, expect=1):
    folder = os.path.join(tmp, label)
    os.makedirs(folder)
    sim = Sim(folder, *sim_options)
    body = RECEIVE_BODY % ("obSetSamplerType %s\n" % stype, "obReceive(e, %s, 0, 0)" % args)
    done = run(folder, body, sim, label + ".bas")
    log = sim.stop()
    got, samples = received(label, folder, done, expect)
    return sim, log, got, samples


with tempfile.TemporaryDirectory() as tmp:
    rng = np.random.default_rng(25)

    # ---- Send: each type, blocks of 1000 and a remainder, loop, keys, name ----
    wave = rng.uniform(-0.9, 0.9, 2500).astype(np.float32)
    wave[:4] = [1.0, -1.0, 1.5, -1.5]  # full scale and beyond: limited
    for label, stype, mode in (("send_eps", "OB_SAMPLER_EPS", 19),
                               ("send_eps16", "OB_SAMPLER_EPS16P", 19),
                               ("send_asr10", "OB_SAMPLER_ASR10", 13)):
        # wavesample 5, layer 2, instrument 3, channel 4, quiet
        sim, log = send_case(tmp, label, wave, 22050, stype, "5, 2, 3, 4, OB_SR_NOMSGS",
                             ("--eps-tone", "3:2:5:10:14"),
                             loop=(100, 2000, "OB_SETLOOP_FORWARDBACKWARD"), keys=(36, 48, 72))
        got = sim.wavesample(2, 1, 5)
        check(got is not None, "%s: nothing stored" % label)
        if got:
            head, values = got
            check(head["name"] == "UNTITLED    " and head["rate"] == "28" and head["start"] == "0"
                  and head["end"] == "2500" and head["loopstart"] == "100"
                  and head["loopend"] == "2000" and head["loopmode"] == "3"
                  and head["root"] == "48" and head["low"] == "36" and head["high"] == "72"
                  and head["copy"] == "0", "%s fields: %r" % (label, head))
            check(np.array_equal(values, wire(wave)), "%s: samples differ from the model" % label)
        check(count(log, "rx mode %d" % mode) == 1, "%s: mode %d: %r" % (label, mode, log))
        check([l for l in log if l.startswith("rx range 15")] ==
              ["rx range 15 2 1 5 0 999", "rx range 15 2 1 5 1000 1999",
               "rx range 15 2 1 5 2000 2499"], "%s: ranges %r" % (label, log))
        check(count(log, "rx command 5 2 1 5") == 1 and count(log, "rx command 14 2 1 5") == 1,
              "%s: commands %r" % (label, log))

    # ---- Send: Create instrument (also layer and wavesample) into an empty sampler ----
    small = rng.uniform(-0.5, 0.5, 300).astype(np.float32)
    sim, log = send_case(tmp, "create", small, 44100, "OB_SAMPLER_EPS",
                         "9, 4, 2, 1, OB_SR_NOMSGS + OB_SR_CREATEINST")
    check([l for l in log if l.startswith("rx command 2")] ==
          ["rx command 21 1 0 1", "rx command 22 1 0 1", "rx command 25 1 0 1"],
          "create: %r" % log)
    got = sim.wavesample(1, 0, 1)
    check(got is not None and np.array_equal(got[1], wire(small)) and got[0]["loopmode"] == "0"
          and got[0]["root"] == "60" and got[0]["high"] == "127",
          "create: stored %r" % (got[0] if got else None))
    # Without a Create option the missing wavesample is an error of the sampler.
    sim, log = send_case(tmp, "nowave", small, 44100, "OB_SAMPLER_EPS", "9, 4, 2, 1, 1",
                         expect=0)
    check(count(log, "rx range") == 0, "nowave: no data sent")

    # ---- Send faults ----
    tone = ("--eps-tone", "1:1:1:10:14")
    sim, log = send_case(tmp, "sendwait", small, 44100, "OB_SAMPLER_EPS", "1, 1, 1, 1, 1",
                         tone + ("--wait", "h:3", "--wait", "0:2"))
    check(count(log, "tx response 1") == 5 and sim.wavesample(0, 0, 1) is not None
          and np.array_equal(sim.wavesample(0, 0, 1)[1], wire(small)), "sendwait: %r" % log)
    for label, options in (("senderror", ("--eps-error", "0:12")),
                           ("sendforeign", ("--foreign", "h")),
                           ("sendsilence", ("--silence", "0"))):
        sim, log = send_case(tmp, label, small, 44100, "OB_SAMPLER_EPS", "1, 1, 1, 1, 1",
                             tone + options, expect=0)
        check(count(log, "took block") == 0, "%s: %r" % (label, log[-4:]))
    sim, log = send_case(tmp, "sendcopy", small, 44100, "OB_SAMPLER_EPS", "1, 1, 1, 1, 1",
                         tone + ("--eps-copy", "1"))
    check(sim.wavesample(0, 0, 1)[0]["copy"] == "0", "sendcopy: the copy marks are cleared")

    # ---- Receive: each type; the wave starts at 300 in the sampler's memory ----
    for label, stype in (("recv_eps", "OB_SAMPLER_EPS"), ("recv_eps16", "OB_SAMPLER_EPS16P"),
                         ("recv_asr10", "OB_SAMPLER_ASR10")):
        sim, log, got, samples = receive_case(
            tmp, label, stype, "7, 1, 1, 2, 1",
            ("--eps-tone", "1:1:7:2600:28:100:2000:2:300"))
        head, values = sim.wavesample(0, 0, 7)
        check(got[1:5] == [2600, 1000000000 // (28 * 1600), 100, 2000], "%s: %r" % (label, got))
        check(samples is not None and np.array_equal(samples, (values / 32768.0).astype(np.float32)),
              "%s: samples differ from the sampler's" % label)
        check([l for l in log if l.startswith("rx range 6")] ==
              ["rx range 6 0 0 7 300 1300", "rx range 6 0 0 7 1300 2300",
               "rx range 6 0 0 7 2300 2900"], "%s: ranges %r" % (label, log))
        check(count(log, "rx mode") == 0, "%s: no mode command on receive" % label)

    # ---- Receive faults ----
    tone = ("--eps-tone", "1:1:2:2500:14")
    sim, log, got, samples = receive_case(tmp, "recvwait", "OB_SAMPLER_EPS", "2, 1, 1, 1, 1",
                                          tone + ("--wait", "h:2", "--wait", "1:4"))
    check(count(log, "tx response 1") == 6 and samples is not None
          and np.array_equal(samples, (sim.wavesample(0, 0, 2)[1] / 32768.0).astype(np.float32)),
          "recvwait: %r" % log[-6:])
    for label, options, partial in (("recvtrunc", ("--truncate", "1"), True),
                                    ("recverror", ("--eps-error", "2:9"), True),
                                    ("recvforeign", ("--foreign", "1"), True),
                                    ("recvsilence", ("--silence", "2"), True),
                                    ("recvparamtrunc", ("--truncate", "h"), False),
                                    ("recvparamerror", ("--eps-error", "h:12"), False)):
        sim, log, got, samples = receive_case(tmp, label, "OB_SAMPLER_EPS", "2, 1, 1, 1, 1",
                                              tone + options, expect=0)
        if partial:
            values = sim.wavesample(0, 0, 2)[1]
            # What arrived stays; the rest is silence.
            check(got[1] == 2500 and samples is not None and
                  np.array_equal(samples[:1000], (values[:1000] / 32768.0).astype(np.float32))
                  and not samples[2000:].any(), "%s: partly received wave %r" % (label, got))
        else:
            check(got[1] == 0, "%s: no wave %r" % (label, got))
    sim, log, got, samples = receive_case(tmp, "recvmissing", "OB_SAMPLER_EPS", "3, 1, 1, 1, 1",
                                          tone, expect=0)
    check(got[1] == 0, "recvmissing: no wave")

if failures:
    print("%d failure(s)" % len(failures))
    sys.exit(1)
print("ensoniq macros: all passed")
