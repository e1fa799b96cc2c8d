"""orbick links no Qt and starts the window program orbick-window.

Usage: launcher_test.py ORBICK ORBICK_WINDOW
Checks: the dynamic sections (readelf) name no Qt library for orbick and Qt
for orbick-window; `orbick FILE` on the offscreen platform becomes
orbick-window (its /proc/PID/exe) and keeps running; a copy of orbick with no
window program beside it fails with exit 2 and says why; a mistyped option is
a usage error before any window program starts.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

orbick, window = sys.argv[1], sys.argv[2]
failures = []


def check(ok, text):
    if not ok:
        failures.append(text)


def needed(path):
    out = subprocess.run(["readelf", "-d", path], capture_output=True, text=True,
                         check=True).stdout
    return [line.split("[")[1].rstrip("]") for line in out.splitlines() if "(NEEDED)" in line]


check(not [n for n in needed(orbick) if "Qt" in n], f"orbick needs Qt: {needed(orbick)}")
check([n for n in needed(window) if n.startswith("libQt6Widgets")],
      f"orbick-window does not need Qt Widgets: {needed(window)}")

with tempfile.TemporaryDirectory() as tmp:
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
               XDG_RUNTIME_DIR=os.path.join(tmp, "xdg"))
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    sound = os.path.join(tmp, "tone.wav")
    subprocess.run(["sox", "-n", "-r", "8000", "-b", "16", sound, "synth", "0.1", "sine", "440"],
                   check=True)

    # The window: the same process turns into orbick-window and stays up.
    proc = subprocess.Popen([orbick, "--config-dir", os.path.join(tmp, "cfg"), sound], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    exe = ""
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline and proc.poll() is None:
        try:
            exe = os.readlink(f"/proc/{proc.pid}/exe")
        except OSError:
            pass
        if exe.endswith("/orbick-window"):
            break
        time.sleep(0.05)
    check(exe and os.path.samefile(exe, window), f"orbick became {exe!r}, not {window}")
    time.sleep(0.5)
    check(proc.poll() is None, f"the window ended at once: {proc.returncode} "
                               f"{proc.stderr.read().decode() if proc.poll() is not None else ''}")
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(timeout=20)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        failures.append("the window did not end on SIGTERM")

    # A copy without its window program: a clear error, exit 2.
    lonely = os.path.join(tmp, "bin", "orbick")
    os.makedirs(os.path.dirname(lonely))
    shutil.copy(orbick, lonely)
    run = subprocess.run([lonely, sound], env=env, capture_output=True, text=True, timeout=30)
    check(run.returncode == 2 and "cannot start the editor window" in run.stderr
          and "orbick-window" in run.stderr, f"missing window program: {run.returncode} {run.stderr!r}")
    # The command-line modes of that copy still work: they never needed it.
    run = subprocess.run([lonely, "--version"], env=env, capture_output=True, text=True, timeout=30)
    check(run.returncode == 0 and run.stdout.strip(), f"--version of the copy: {run!r}")

    # A mistyped option is a usage error from orbick itself.
    run = subprocess.run([orbick, "--no-such-option"], env=env, capture_output=True, text=True,
                         timeout=30)
    check(run.returncode == 2 and "usage: orbick" in run.stderr, f"bad option: {run!r}")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
