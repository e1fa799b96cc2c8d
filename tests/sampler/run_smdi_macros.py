#!/usr/bin/python3
"""Round trips between `orbick --batch` macros calling obSend/obReceive with
sampler type SMDI and `orbick-sampler-sim --smdi` over the SCSI socket
(ORBICK_SCSI_SOCKET): mono and stereo, loops, fine tune, packet lengths that
split frames, the last packet, Wait, BUSY, rejections, a wrong packet number,
a silent sampler, broken replies and a bus without the sampler. What the
editor sent is compared with a numpy model of the wire words written from the
protocol description; what it received is read back from a WAV with
libsndfile.

usage: run_smdi_macros.py ORBICK SIM
"""
import glob
import os
import struct
import sys
import tempfile

import numpy as np
import soundfile as sf

from sim_process import RECEIVE_BODY, SimProcess, check, failures, printed, received, run_batch

ORBICK, SIM = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
BOX = "SMDI Error Message: "


class Sim(SimProcess):
    def __init__(self, folder, *options):
        super().__init__(SIM, folder, ["--smdi"], "scsi.sock", options)

    def sample(self, number):
        path = os.path.join(self.store, "sample_%d.txt" % number)
        if not os.path.exists(path):
            return None, None
        with open(path) as f:
            lines = f.read().splitlines()
        head = dict((l.split(" ", 1) + [""])[:2] for l in lines[:6])
        return head, np.array([int(x) for x in lines[6:]], dtype=np.int64)


def run(folder, body, sim=None, name="m.bas", timeout_ms=1500, socket=None):
    sockets = {}
    if sim:
        sockets["ORBICK_SCSI_SOCKET"] = sim.socket
    if socket:
        sockets["ORBICK_SCSI_SOCKET"] = socket
    return run_batch(ORBICK, folder, name,
                     "Sub Main ()\nobSetSamplerType OB_SAMPLER_SMDI\n" + body + "\nEnd Sub\n",
                     "MidiTimeout=%d\nMidiWaitLimit=6000\n" % timeout_ms, sockets, 120)


def wire(x):
    """The 16-bit word of each sample: x * 32767 truncated toward zero."""
    return np.trunc(np.clip(x.astype(np.float64) * 32767, -32768, 32767)).astype(np.int64)


def count(log, text):
    return sum(1 for l in log if l == text)


def wav_with_inst(path, samples, rate, key, tune):
    """A float WAV with an `inst` chunk (root key, signed fine tune)."""
    sf.write(path, samples, rate, subtype="FLOAT")
    with open(path, "rb") as f:
        data = f.read()
    inst = b"inst" + struct.pack("<I", 7) + struct.pack("<BbbBBBB", key, tune, 0, 0, 127, 1, 127) + b"\0"
    data = data[:4] + struct.pack("<I", len(data) - 8 + len(inst)) + data[8:] + inst
    with open(path, "wb") as f:
        f.write(data)


def inst_of(path):
    with open(path, "rb") as f:
        data = f.read()
    at = 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if cid == b"inst":
            return data[at + 8], struct.unpack("b", data[at + 9:at + 10])[0]
        at += 8 + size + (size & 1)
    return None


def send_case(tmp, label, wave, rate, number=5, options=(), flags=0, expect=1, loop=None,
              address="0, 0, 0", inst=None, body_extra=""):
    folder = os.path.join(tmp, label)
    os.makedirs(folder)
    path = os.path.join(folder, "in.wav")
    if inst:
        wav_with_inst(path, wave, rate, *inst)
    else:
        sf.write(path, wave, rate, subtype="FLOAT")
    sim = Sim(folder, *options)
    body = 'e = obOpenEditor()\nobOpenWave e, "in.wav"\n' + body_extra
    if loop:
        body += "obSetLoop e, 0, %d, %d, OB_SETLOOP_FORWARD, OB_SETLOOP_SUSTAIN\n" % loop
    body += "Print obSend(e, %d, %s, %d, 0, 0)" % (number, address, flags)
    done = run(folder, body, sim, name=label + ".bas")
    log = sim.stop()
    check(printed(done) == [expect], "%s: obSend printed %r, expected %d\n%s"
          % (label, done.stdout, expect, done.stderr))
    return sim, log, done


def receive_case(tmp, label, number, options, expect=1, flags=0, timeout_ms=1500):
    folder = os.path.join(tmp, label)
    os.makedirs(folder)
    sim = Sim(folder, *options)
    body = RECEIVE_BODY % ("", "obReceive(e, %d, 0, 0, 0, %d, 0, 0)" % (number, flags))
    done = run(folder, body, sim, name=label + ".bas", timeout_ms=timeout_ms)
    log = sim.stop()
    got, samples = received(label, folder, done, expect, always_2d=True)
    return sim, log, got, samples, done, os.path.join(folder, "got.wav")


with tempfile.TemporaryDirectory() as tmp:
    rng = np.random.default_rng(24)

    # ---- Send: mono with a loop; 4096-byte packets, the last one short ----
    wave = rng.uniform(-0.9, 0.9, 5000).astype(np.float32)
    wave[:4] = [1.0, -1.0, 1.5, -1.5]  # full scale and beyond: clamped
    sim, log, _ = send_case(tmp, "mono", wave, 44100, loop=(100, 3000),
                            options=("--packet-length", "4096"))
    head, words = sim.sample(5)
    check(head == {"channels": "1", "period": "22675", "length": "5000", "loop": "100 3000 0",
                   "pitch": "0 0", "name": "Untitled"}, "mono header: %r" % head)
    check(words is not None and np.array_equal(words, wire(wave)), "mono: words differ from the model")
    check("rx data 2 bytes=1808" in log and log[-2:] == ["tx end", "connection closed"],
          "mono: last packet %r" % log[-3:])
    check(any(l.startswith("rx header 5 bits=16 channels=1 length=5000 nul=1") for l in log),
          "mono: header line %r" % [l for l in log if "header" in l])
    check(not any("bad" in l for l in log), "mono: the simulator found bad messages")

    # ---- Send: stereo without a loop, 1001-byte packets splitting frames ----
    stereo = rng.uniform(-1, 1, (3000, 2)).astype(np.float32)
    sim, log, _ = send_case(tmp, "stereo", stereo, 22050, number=7,
                            options=("--packet-length", "1001"))
    head, words = sim.sample(7)
    check(head is not None and head["channels"] == "2" and head["period"] == "45351"
          and head["loop"] == "0 2999 0", "stereo header: %r" % head)
    check(words is not None and np.array_equal(words, wire(stereo).reshape(-1)),
          "stereo: interleaved words differ")
    check(count(log, "rx data 11 bytes=989") == 1 and log[-2:] == ["tx end", "connection closed"],
          "stereo: 12 packets, the last 989 bytes")

    # ---- Send: a sampler offering more than 65536 bytes a packet ----
    big = rng.uniform(-0.5, 0.5, (40000, 2)).astype(np.float32)
    sim, log, _ = send_case(tmp, "oversize", big, 44100, number=1,
                            options=("--packet-length", "70000"))
    check("rx begin 1 65536" in log and "rx data 2 bytes=28928" in log,
          "oversize: packets limited to 65536: %r" % [l for l in log if "begin" in l])
    check(np.array_equal(sim.sample(1)[1], wire(big).reshape(-1)), "oversize: words")

    # ---- Send: fine tune, both signs ----
    short = rng.uniform(-0.5, 0.5, 300).astype(np.float32)
    sim, log, _ = send_case(tmp, "tune_neg", short, 44100, number=2, inst=(60, -30))
    check(sim.sample(2)[0]["pitch"] == "59 45850", "negative fine tune: %r" % sim.sample(2)[0])
    sim, log, _ = send_case(tmp, "tune_pos", short, 44100, number=2, inst=(60, 20))
    check(sim.sample(2)[0]["pitch"] == "60 13100", "positive fine tune: %r" % sim.sample(2)[0])

    # ---- Send: Wait and BUSY ----
    sim, log, _ = send_case(tmp, "wait_busy", short, 44100, number=3,
                            options=("--packet-length", "200", "--wait", "h:3", "--wait", "1:2",
                                     "--busy", "h:3", "--busy", "2:2"))
    check(count(log, "tx wait") == 5 and count(log, "tx busy") == 5,
          "wait_busy: %d waits, %d busy" % (count(log, "tx wait"), count(log, "tx busy")))
    check(count(log, "rx data 1 bytes=200") == 1 and count(log, "rx data 2 bytes=200") == 1,
          "wait_busy: a Wait asks again without resending")
    check(np.array_equal(sim.sample(3)[1], wire(short)), "wait_busy: words")

    # ---- Send: rejections of the header and their texts ----
    for label, reject, text in (
            ("rej_range", "h:0x20:0", "Sample number out of range"),
            ("rej_nosample", "h:0x20:2", "No sample at this sample number"),
            ("rej_memory", "h:0x20:5", "Insufficient memory in sampler"),
            ("rej_other", "h:0x20:9", "Sampler cannot accomodate waveform"),
            ("rej_proc", "h:0x02:0", "Procedure not supported or inappropriate"),
            ("rej_busy", "h:0x05:0", "SCSI sampler is busy"),
            ("rej_plain", "h:0x07:0", "Sampler rejected message")):
        sim, log, done = send_case(tmp, label, short, 44100, options=("--reject", reject), expect=0)
        check(done.stderr == BOX + text + "\n", "%s: stderr %r" % (label, done.stderr))
        check(sim.sample(5)[0] is None, "%s: nothing stored" % label)
    sim, log, done = send_case(tmp, "rej_quiet", short, 44100, options=("--reject", "h:0x20:0"),
                               flags=1, expect=0)
    check(done.stderr == "", "quiet: no box %r" % done.stderr)
    # Begin Sample Transfer refused: five retries, each after a new header.
    sim, log, done = send_case(tmp, "rej_begin", short, 44100, options=("--reject", "b:0x07:0"),
                               expect=0)
    check(sum(1 for l in log if l.startswith("rx header")) == 6
          and sum(1 for l in log if l.startswith("rx begin")) == 6,
          "rej_begin: six attempts %r" % log)
    check(count(log, "rx identify") == 6, "rej_begin: the target tested before each attempt")
    check(done.stderr == BOX + "Sampler rejected message\n", "rej_begin: %r" % done.stderr)

    # ---- Send: a target that is not there, not a processor, or no bus at all ----
    for label, options in (("no_target", ("--target", "3")), ("not_processor", ("--not-processor",))):
        sim, log, done = send_case(tmp, label, short, 44100, options=options, expect=0)
        check(done.stderr == BOX + "Error verifying target as SMDI slave\n",
              "%s: %r" % (label, done.stderr))
    sim, log, done = send_case(tmp, "target_3", short, 44100, options=("--target", "3"),
                               address="3, 0, 0")
    check(sim.sample(5)[0] is not None, "target 3 addressed through layernum")
    sim, log, done = send_case(tmp, "lun_1", short, 44100, address="0, 1, 0", expect=0)
    sim, log, done = send_case(tmp, "number_24bit", short, 44100, number=16777216, expect=0)
    check("rx identify" not in log, "a sample number past 24 bits is refused before the bus")
    folder = os.path.join(tmp, "no_socket")
    os.makedirs(folder)
    sf.write(os.path.join(folder, "in.wav"), short, 44100, subtype="FLOAT")
    done = run(folder, 'e = obOpenEditor()\nobOpenWave e, "in.wav"\n'
               'Print obSend(e, 1, 0, 0, 0, 0, 0, 0)',
               socket=os.path.join(folder, "nothing.sock"), name="no_socket.bas")
    check(printed(done) == [0] and done.stderr == BOX + "Error verifying target as SMDI slave\n",
          "no socket: %r %r" % (done.stdout, done.stderr))
    # Without the socket and without /dev/sg* nodes the bus is empty.
    if not glob.glob("/dev/sg*"):
        done = run(folder, 'e = obOpenEditor()\nobOpenWave e, "in.wav"\n'
                   'Print obSend(e, 1, 0, 0, 0, 0, 0, 0)', name="no_sg.bas")
        check(printed(done) == [0] and done.stderr == BOX + "Error verifying target as SMDI slave\n",
              "no sg: %r %r" % (done.stdout, done.stderr))
    # ---- Send: a silent sampler times out ----
    sim, log, done = send_case(tmp, "silent", short, 44100,
                               options=("--packet-length", "200", "--silence", "1"), expect=0)
    check("rx data 0 bytes=200" in log and "silent" in log, "silent: %r" % log[-3:])

    # ---- Receive: mono with a loop, 4096-byte packets ----
    sim, log, got, samples, done, path = receive_case(
        tmp, "recv_mono", 3, ("--tone", "3:5000:44100:1:100:3000:0", "--packet-length", "4096"))
    head, words = sim.sample(3)
    check(got[1:5] == [5000, 44101, 100, 3000] or got[1:5] == [5000, 44100, 100, 3000],
          "recv_mono: size, rate, loop %r" % got)
    check(samples is not None and np.array_equal(samples[:, 0], (words / 32768.0).astype(np.float32)),
          "recv_mono: samples differ")
    check(count(log, "rx next 1") == 1 and count(log, "rx next 2") == 1, "recv_mono: packets")

    # ---- Receive: stereo, 1001-byte packets, forward/backward loop ----
    sim, log, got, samples, done, path = receive_case(
        tmp, "recv_stereo", 4, ("--tone", "4:2500:22050:2:10:2000:1", "--packet-length", "1001"))
    head, words = sim.sample(4)
    want = (words / 32768.0).astype(np.float32).reshape(-1, 2)
    check(samples is not None and samples.shape == (2500, 2) and np.array_equal(samples, want),
          "recv_stereo: samples differ")
    check(got[1] == 2500 and got[3:5] == [10, 2000], "recv_stereo: %r" % got)

    # ---- Receive: fine tune of 70 cents on pitch 60; loop control 2 is no loop ----
    sim, log, got, samples, done, path = receive_case(
        tmp, "recv_tune", 5, ("--tone", "5:400:44100:1:10:300:2:60:45850"))
    check(inst_of(path) == (61, -30), "recv_tune: key and tune %r" % (inst_of(path),))
    check(got[3:5] != [10, 300], "recv_tune: loop control 2 gives no loop %r" % got)

    # ---- Receive: Wait and BUSY ----
    sim, log, got, samples, done, path = receive_case(
        tmp, "recv_wait", 6, ("--tone", "6:900:44100:1", "--packet-length", "600",
                              "--wait", "h:2", "--wait", "1:3", "--busy", "b:2"))
    check(count(log, "tx wait") == 5 and count(log, "tx busy") == 2, "recv_wait: %r" % log)
    check(samples is not None and np.array_equal(samples[:, 0], (sim.sample(6)[1] / 32768.0).astype(np.float32)),
          "recv_wait: samples")

    # ---- Receive failures ----
    for label, options, text, expect_log in (
            ("recv_wrong", ("--tone", "7:3000:44100:1", "--packet-length", "1000",
                            "--wrong-number", "1"), "Sampler sent bad waveform data", "rx abort"),
            ("recv_over", ("--tone", "7:300:44100:1", "--packet-length", "70000"),
             "Sampler violated SMDI protocol", None),
            ("recv_zero", ("--tone", "7:300:44100:1", "--packet-length", "0"),
             "Sampler violated SMDI protocol", None),
            ("recv_none", ("--tone", "8:300:44100:1"),
             "No such sample number, format, or memory available", None),
            ("recv_cannot", ("--tone", "7:300:44100:1", "--reject", "b:0x22:0"),
             "Sampler cannot transfer sample", None),
            ("recv_period0", ("--tone", "7:300:44100:1", "--hostile", "header-period0"),
             "Data format error. Unable to accept wave", None),
            ("recv_bits8", ("--tone", "7:300:44100:1", "--hostile", "header-bits8"),
             "Data format error. Unable to accept wave", None),
            ("recv_channels3", ("--tone", "7:300:44100:1", "--hostile", "header-channels3"),
             "Data format error. Unable to accept wave", None),
            ("recv_name", ("--tone", "7:300:44100:1", "--hostile", "header-name"),
             "Data format error. Unable to accept wave", None),
            ("recv_short", ("--tone", "7:300:44100:1", "--hostile", "header-short"),
             "Message content failure", None),
            ("recv_empty", ("--tone", "7:300:44100:1", "--hostile", "data-empty"),
             "Sampler sent bad waveform data", None),
            ("recv_overlong", ("--tone", "7:300:44100:1", "--hostile", "data-overlong"), None, None),
            ("recv_tiny", ("--tone", "7:300:44100:1", "--hostile", "tiny"), None, None),
            ("recv_noise", ("--tone", "7:300:44100:1", "--hostile", "noise"), None, None)):
        sim, log, got, samples, done, path = receive_case(tmp, label, 7, options, expect=0)
        check(got[1:2] == [0], "%s: the editor stays empty %r" % (label, got))
        if text:
            check(done.stderr == BOX + text + "\n", "%s: stderr %r" % (label, done.stderr))
        if expect_log:
            check(expect_log in log, "%s: %s missing from %r" % (label, expect_log, log[-4:]))
    # A rejected packet request: "Sampler rejected transfer".
    sim, log, got, samples, done, path = receive_case(
        tmp, "recv_rej_data", 7, ("--tone", "7:300:44100:1", "--packet-length", "100",
                                  "--reject", "1:0x07:0"), expect=0)
    check(done.stderr == BOX + "Sampler rejected transfer\n", "recv_rej_data: %r" % done.stderr)
    check(got[1:2] == [0], "recv_rej_data: a failed receive leaves the editor empty")
    # A rejected data packet of a send: "Sampler rejected transfer".
    sim, log, done = send_case(tmp, "rej_data", short, 44100,
                               options=("--packet-length", "200", "--reject", "1:0x07:0"), expect=0)
    check(done.stderr == BOX + "Sampler rejected transfer\n", "rej_data: %r" % done.stderr)
    # The silent sampler during a receive.
    sim, log, got, samples, done, path = receive_case(
        tmp, "recv_silent", 7, ("--tone", "7:3000:44100:1", "--packet-length", "1000",
                                "--silence", "2"), expect=0)

    # ---- Round trip: what the editor sends, it receives back the same ----
    folder = os.path.join(tmp, "round")
    os.makedirs(folder)
    sim = Sim(folder, "--packet-length", "777")
    sf.write(os.path.join(folder, "in.wav"), stereo, 32000, subtype="FLOAT")
    done = run(folder, 'e = obOpenEditor()\nobOpenWave e, "in.wav"\n'
               'Print obSend(e, 9, 0, 0, 0, 1, 0, 0)\n'
               'f = obOpenEditor()\nPrint obReceive(f, 9, 0, 0, 0, 1, 0, 0)\n'
               'obSetFormatType OB_FORMAT_WAV32\nPrint obSaveAsWave(f, "back.wav")', sim,
               name="round.bas")
    sim.stop()
    check(printed(done) == [1, 1, 1], "round: %r %s" % (done.stdout, done.stderr))
    back, rate = sf.read(os.path.join(folder, "back.wav"), dtype="float32")
    check(rate == 32000 and np.array_equal(back, (wire(stereo) / 32768.0).astype(np.float32)),
          "round: the received wave is the sent one at 16 bits")

if failures:
    print("%d failures" % len(failures))
    sys.exit(1)
print("all passed")
