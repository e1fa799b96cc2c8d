"""What the transfer macro tests share: the failure list with its check, and
orbick-sampler-sim run as a process listening on a socket in a case folder,
storing what it takes in folder/store and logging to folder/sim.log."""

import atexit
import os
import subprocess

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
        self.proc.terminate()
        self.proc.wait(timeout=10)
        with open(self.log) as f:
            return f.read().splitlines()
