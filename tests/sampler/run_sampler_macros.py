#!/usr/bin/python3
"""Round trips between `orbick --batch` macros calling obSend/obReceive and
orbick-sampler-sim over a Unix socket (ORBICK_MIDI_SOCKET): SDS 12 and 16 bit
and Prophet 2000, with and without loops, with every fault option of the
simulator. What the editor sent is checked against a numpy model of the
sample packing written from the protocol description; what it received is
read back from a WAV with libsndfile.

usage: run_sampler_macros.py ORBICK SIM
"""
import os
import sys
import tempfile

import numpy as np
import soundfile as sf

from sim_process import RECEIVE_BODY, SimProcess, check, failures, printed, received, run_batch

ORBICK, SIM = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])


class Sim(SimProcess):
    def __init__(self, folder, *options):
        super().__init__(SIM, folder, [], "sim.sock", options)

    def sample(self, number):
        path = os.path.join(self.store, "sample_%d.txt" % number)
        if not os.path.exists(path):
            return None
        with open(path) as f:
            lines = f.read().splitlines()
        head = dict((l.split(" ", 1)[0], l.split(" ", 1)[1]) for l in lines[:5])
        values = np.array([int(x) for x in lines[5:]], dtype=np.int64)
        return head, values


def run(folder, body, sim=None, settings="MidiTimeout=1500\nMidiWaitLimit=6000\n", name="m.bas"):
    return run_batch(ORBICK, folder, name, "Sub Main ()\n" + body + "\nEnd Sub\n", settings,
                     {"ORBICK_MIDI_SOCKET": sim.socket} if sim else {}, 60)


# ---- the packing model, from the description of the wire format ----
def wire16(x):
    v = np.trunc(np.clip(x.astype(np.float64) * 32767, -32768, 32767)).astype(np.int64)
    return v  # 16-bit word as a signed value


def wire12(x):
    v = np.trunc(np.clip(x.astype(np.float64) * 32767, -32768, 32767)).astype(np.int64)
    v = np.where(v >= 0, np.where(v <= 32759, v + 8, 32767), np.where(v >= -32760, v - 8, -32768))
    return ((v + 32768) >> 4) - 2048  # 12-bit word as a signed value


def count(log, text):
    return sum(1 for l in log if l == text)


def send_case(tmp, label, wave, rate, stype, number, channel, loop=None, sim_options=(),
              flags=0, expect=1):
    folder = os.path.join(tmp, label)
    os.makedirs(folder)
    sf.write(os.path.join(folder, "in.wav"), wave, rate, subtype="FLOAT")
    sim = Sim(folder, *sim_options)
    body = 'e = obOpenEditor()\nobOpenWave e, "in.wav"\nobSetSamplerType %s\n' % stype
    if loop:
        body += "obSetLoop e, 0, %d, %d, OB_SETLOOP_FORWARD, OB_SETLOOP_SUSTAIN\n" % loop
    body += "Print obSend(e, %d, 0, 0, %d, %d, 0, 0)" % (number, channel, flags)
    done = run(folder, body, sim, name=label + ".bas")
    log = sim.stop()
    check(printed(done) == [expect], "%s: obSend printed %r, expected %d\n%s"
          % (label, done.stdout, expect, done.stderr))
    return sim, log


def receive_case(tmp, label, stype, number, sim_options, expect=1, flags=0):
    folder = os.path.join(tmp, label)
    os.makedirs(folder)
    sim = Sim(folder, *sim_options)
    body = RECEIVE_BODY % ("obSetSamplerType %s\n" % stype,
                           "obReceive(e, %d, 0, 0, 1, %d, 0, 0)" % (number, flags))
    done = run(folder, body, sim, name=label + ".bas")
    log = sim.stop()
    got, samples = received(label, folder, done, expect)
    return sim, log, got, samples


with tempfile.TemporaryDirectory() as tmp:
    rng = np.random.default_rng(19)

    # ---- Send: 16 bit with a loop, long enough for the packet number to wrap ----
    wave = rng.uniform(-0.9, 0.9, 6000).astype(np.float32)
    wave[:4] = [1.0, -1.0, 1.5, -1.5]  # full scale and beyond: clamped
    sim, log = send_case(tmp, "send16", wave, 44100, "OB_SAMPLER_SDS16", 5, 3, loop=(100, 3000))
    got = sim.sample(5)
    check(got is not None, "send16: nothing stored")
    if got:
        head, values = got
        check(head == {"bits": "16", "period": "22675", "length": "6000", "loop": "100 3000 0",
                       "channel": "2"}, "send16 header: %r" % head)
        check(np.array_equal(values, wire16(wave)), "send16: samples differ from the model")
    check(count(log, "rx packet 127 number=127") == 1 and count(log, "rx packet 128 number=0") == 1,
          "send16: packet numbers do not wrap at 127")
    check(count(log, "tx ACK 0") == 3, "send16: ACK 0 for header, packets 0 and 128")
    check(not any("bad packet" in l for l in log), "send16: the simulator found bad packets")

    # ---- Send: 12 bit without a loop ----
    wave = rng.uniform(-1, 1, 1000).astype(np.float32)
    wave[:2] = [1.0, -1.0]
    sim, log = send_case(tmp, "send12", wave, 22050, "OB_SAMPLER_SDS12", 0, 1)
    head, values = sim.sample(0)
    check(head["bits"] == "12" and head["length"] == "1000" and head["loop"] == "1000 1000 0",
          "send12 header: %r" % head)
    check(np.array_equal(values, wire12(wave)), "send12: samples differ from the model")
    check(values[0] == 2047 and values[1] == -2048, "send12: full scale %r" % values[:2])

    # ---- Send: Prophet 2000 (quiet and not), rates and rounded lengths ----
    wave = rng.uniform(-0.5, 0.5, 100).astype(np.float32)
    # The period rule: below 28000 ns 24000, 28000 to 48000 32000, above 64000.
    for label, rate, flags, period in (("p44", 44100, 1, "24000"), ("p22", 22050, 0, "32000"),
                                       ("p32", 32000, 1, "32000"), ("p15", 15000, 1, "64000")):
        sim, log = send_case(tmp, label, wave, rate, "OB_SAMPLER_P2000", 5, 1, flags=flags)
        got = sim.sample(4)
        check(got is not None, "%s: the Prophet's wire number is the user's minus one" % label)
        if got:
            head, values = got
            check(head["period"] == period and head["length"] == "120" and head["bits"] == "12",
                  "%s header: %r" % (label, head))
            # The rounded-up tail goes out as silence.
            check(np.array_equal(values[:100], wire12(wave)) and np.all(values[100:] == 0),
                  "%s: samples" % label)

    # ---- Send faults ----
    wave = rng.uniform(-0.5, 0.5, 400).astype(np.float32)  # 10 packets at 16 bit
    sim, log = send_case(tmp, "nak4", wave, 44100, "OB_SAMPLER_SDS16", 1, 1, sim_options=("--nak", "3:4"))
    check(count(log, "tx NAK 3") == 4 and count(log, "rx packet 3 number=3") == 5,
          "nak4: four NAKs, five sends of packet 3")
    check(np.array_equal(sim.sample(1)[1], wire16(wave)), "nak4: samples")
    sim, log = send_case(tmp, "nak5", wave, 44100, "OB_SAMPLER_SDS16", 1, 1,
                         sim_options=("--nak", "3:5"), expect=0)
    check(count(log, "tx NAK 3") == 5 and count(log, "rx CANCEL 3") == 1 and sim.sample(1) is None,
          "nak5: the fifth NAK ends with a CANCEL: %r" % log[-4:])
    sim, log = send_case(tmp, "waits", wave, 44100, "OB_SAMPLER_SDS16", 1, 1,
                         sim_options=("--wait", "h:3", "--wait", "2:2"))
    check(count(log, "tx WAIT 0") == 3 and count(log, "tx WAIT 2") == 2 and sim.sample(1) is not None,
          "waits: served")
    sim, log = send_case(tmp, "ackdup", wave, 44100, "OB_SAMPLER_SDS16", 1, 1,
                         sim_options=("--duplicate", "2"))
    check(sim.sample(1) is not None and np.array_equal(sim.sample(1)[1], wire16(wave)),
          "ackdup: a repeated ACK is not taken for the next packet")
    check(count(log, "rx packet 3 number=3") == 1, "ackdup: packet 3 sent once")
    for label, option, cancel_back in (("acktrunc", "--truncate", True), ("ackforeign", "--foreign", True),
                                       ("sendcancel", "--cancel", False)):
        sim, log = send_case(tmp, label, wave, 44100, "OB_SAMPLER_SDS16", 1, 1,
                             sim_options=(option, "2"), expect=0)
        got_cancel = any(l.startswith("rx CANCEL") for l in log)
        check(got_cancel == cancel_back and sim.sample(1) is None,
              "%s: CANCEL sent back %r: %r" % (label, got_cancel, log[-4:]))
    sim, log = send_case(tmp, "sendsilence", wave, 44100, "OB_SAMPLER_SDS16", 1, 1,
                         sim_options=("--silence", "4"), expect=0)
    check(count(log, "rx CANCEL 4") == 1, "sendsilence: a timeout sends CANCEL: %r" % log[-3:])

    # ---- Receive: 16 bit with a loop, 12 bit, Prophet ----
    sim, log, got, samples = receive_case(tmp, "recv16", "OB_SAMPLER_SDS16", 3,
                                          ("--tone", "3:5200:22050:16:100:4000:0"))
    head, values = Sim.sample(sim, 3)
    check(got[1:5] == [5200, 22050, 100, 4000], "recv16: %r" % got)
    check(samples is not None and np.array_equal(samples, (values / 32768.0).astype(np.float32)),
          "recv16: samples differ from the dump")
    check(count(log, "rx ACK 0") == 3, "recv16: ACK 0 for the header, packets 0 and 128")
    sim, log, got, samples = receive_case(tmp, "recv12", "OB_SAMPLER_SDS12", 7,
                                          ("--tone", "7:1001:32000:12"))
    head, values = Sim.sample(sim, 7)
    check(got[1:5] == [1001, 32000, -1, -1], "recv12: %r" % got)
    check(samples is not None and np.array_equal(samples, (values * 16 / 32768.0).astype(np.float32)),
          "recv12: samples")
    sim, log, got, samples = receive_case(tmp, "recvp2000", "OB_SAMPLER_P2000", 5,
                                          ("--tone", "4:120:41666:12:10:100:1"))
    check(got[:5] == [1, 120, 41666, 10, 100], "recvp2000: %r" % got)
    check(any(l == "rx request sample=4 channel=0" for l in log), "recvp2000: wire number")

    # ---- Receive faults ----
    tone = ("--tone", "2:1000:44100:16")
    for label, options, expect, nak in (("badsum", ("--bad-checksum", "2:2"), 1, 2),
                                        ("pktdup", ("--duplicate", "2"), 1, 0),
                                        ("pkttrunc", ("--truncate", "2"), 1, 1),
                                        ("badsum6", ("--bad-checksum", "2:6"), 0, 5)):
        sim, log, got, samples = receive_case(tmp, label, "OB_SAMPLER_SDS16", 2, tone + options, expect)
        head, values = Sim.sample(sim, 2)
        check(count(log, "rx NAK 2") == nak, "%s: %d NAKs expected: %r" % (label, nak, log))
        if expect == 1:
            check(samples is not None and np.array_equal(samples, (values / 32768.0).astype(np.float32)),
                  "%s: samples" % label)
        else:
            check(count(log, "rx CANCEL 2") == 1, "%s: CANCEL after the sixth bad packet" % label)
    for label, options in (("pktforeign", ("--foreign", "3")), ("recvcancel", ("--cancel", "3")),
                           ("recvsilence", ("--silence", "3"))):
        sim, log, got, samples = receive_case(tmp, label, "OB_SAMPLER_SDS16", 2, tone + options, 0)
        head, values = Sim.sample(sim, 2)
        # The partly received wave stays: three packets, then silence.
        check(got[1] == 1000 and samples is not None and
              np.array_equal(samples[:120], (values[:120] / 32768.0).astype(np.float32)) and
              not samples[120:].any(), "%s: partly received wave %r" % (label, got))
        check(any(l.startswith("rx CANCEL") for l in log) == (label != "recvcancel"),
              "%s: CANCEL from the editor: %r" % (label, log[-3:]))
    sim, log, got, samples = receive_case(tmp, "nosample", "OB_SAMPLER_SDS16", 9, tone, 0)
    check(got[1] == 0, "nosample: no wave after the sampler's CANCEL")

    # ---- No devices, other types, the type range ----
    folder = os.path.join(tmp, "nodev")
    os.makedirs(folder)
    sf.write(os.path.join(folder, "in.wav"), wave, 44100, subtype="FLOAT")
    done = run(folder, 'e = obOpenEditor()\nobOpenWave e, "in.wav"\nPrint obSend(e, 1, 0, 0, 1, 0, 0, 0)\n'
               'f = obOpenEditor()\nPrint obReceive(f, 1, 0, 0, 1, 0, 0, 0), obReceive(e, 1, 0, 0, 1, 0, 0, 0)\n'
               'Print obSetSamplerType(OB_SAMPLER_EPS), obSend(e, 1, 0, 0, 1, 0, 0, 0)\n'
               'Print obSetSamplerType(OB_SAMPLER_AKAIS1000), obSetSamplerType(11), obSetSamplerType(-1)\n'
               'Print obSetSamplerType(OB_SAMPLER_SDS12)', settings="Sampler=10\n", name="nodev.bas")
    check(printed(done) == [0, 0, 0, 10, 0, 3, 0, 0, 1], "nodev: %r" % done.stdout)
    # The Ensoniq send without devices fails quietly (5), as SDS does.
    check(done.stderr == "", "nodev: stderr %r" % done.stderr)

if failures:
    print("%d failure(s)" % len(failures))
    sys.exit(1)
print("sampler macros: all passed")
