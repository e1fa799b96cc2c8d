"""What the transfer macro tests share: the failure list with its check, and
orbick-sampler-sim run as a process listening on a socket in a case folder,
storing what it takes in folder/store and logging to folder/sim.log."""

import atexit
import os
import subprocess
import time

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


class SimProcess:
    def __init__(self, sim, folder, mode, socket_name, options):
        print("case", os.path.basename(folder), flush=True)
        self.folder = folder
        self.socket = os.path.join(folder, socket_name)
        self.store = os.path.join(folder, "store")
        self.log = os.path.join(folder, "sim.log")
        os.makedirs(self.store, exist_ok=True)
        self.proc = subprocess.Popen([sim] + mode + ["--listen", self.socket, "--store",
                                                     self.store, "--log", self.log] + list(options),
                                     stdout=subprocess.PIPE, text=True)
        atexit.register(self.proc.kill)
        check(self.proc.stdout.readline().strip() == "listening", "simulator did not start")

    def stop(self):
        # The editor may leave its last message (a CANCEL, say) in the socket
        # as it exits: let the simulator read it and end its sessions first.
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            with open(self.log) as f:
                lines = f.read().splitlines()
            if lines.count("connection") == lines.count("connection closed"):
                break
            time.sleep(0.02)
        self.proc.terminate()
        self.proc.wait(timeout=10)
        with open(self.log) as f:
            return f.read().splitlines()


# The environment variables that point orbick at a simulator.
SOCKET_VARIABLES = ("ORBICK_MIDI_SOCKET", "ORBICK_SCSI_SOCKET")


def run_batch(orbick, folder, name, source, settings, sockets, timeout):
    """Writes `source` as folder/name and the settings below [General] of
    folder/config/orbick.ini, runs `orbick --batch` on it in the folder with
    only the simulator sockets in `sockets` (variable -> path) set, and checks
    that it ended with status 0."""
    config = os.path.join(folder, "config")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "orbick.ini"), "w") as f:
        f.write("[General]\n" + settings)
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write(source)
    env = dict(os.environ)
    for k in ("ORBICK_HOME",) + SOCKET_VARIABLES:
        env.pop(k, None)
    env.update(sockets)
    done = subprocess.run([orbick, "--batch", path, "--config-dir", config], cwd=folder,
                          capture_output=True, text=True, env=env, timeout=timeout)
    check(done.returncode == 0, "%s: status %d\n%s" % (name, done.returncode, done.stderr))
    return done


def printed(done):
    """The numbers the macro printed."""
    return [int(float(x)) for x in done.stdout.split()]


# The receiving macro's body after its obReceive call (given as %s): the
# received wave's size, rate and loop points, then the wave saved as got.wav.
RECEIVE_BODY = ("e = obOpenEditor()\n%s"
                "Print %s\n"
                "Print obInquire(e, OB_INQUIRE_SIZE, 0), obInquire(e, OB_INQUIRE_RATE, 0), "
                "obInquire(e, OB_INQUIRE_LOOPSTART, 0), obInquire(e, OB_INQUIRE_LOOPEND, 0)\n"
                "obSetFormatType OB_FORMAT_WAV32\nPrint obSaveAsWave(e, \"got.wav\")")


def received(label, folder, done, expect, always_2d=False):
    """Checks that obReceive printed `expect`; the printed numbers and the
    samples of got.wav read by libsndfile (None when there is none)."""
    import soundfile as sf
    got = printed(done)
    check(len(got) >= 1 and got[0] == expect, "%s: obReceive printed %r, expected %d\n%s"
          % (label, done.stdout, expect, done.stderr))
    path = os.path.join(folder, "got.wav")
    samples = (sf.read(path, dtype="float32", always_2d=always_2d)[0]
               if os.path.exists(path) else None)
    return got, samples
