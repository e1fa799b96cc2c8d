#!/usr/bin/python3
"""End-to-end check of the printf-style number texts against Python's %
formatting: random doubles (fixed seed, many magnitudes, both signs) go
through tessel as literals, and CStr ("%g"), Str ("%.14g"), Print of a
Double (" %g"), Hex and Oct of whole numbers and Format with "0.000" must
equal what Python's % operator gives for the same value."""
import random
import subprocess
import sys
import tempfile
import os


def main():
    tessel = sys.argv[1]
    rnd = random.Random(20261206)
    values = []
    for _ in range(300):
        x = rnd.uniform(1, 10) * 10.0 ** rnd.randint(-6, 15)
        values.append(-x if rnd.random() < 0.4 else x)
    whole = [rnd.randint(0, 2**31 - 1) for _ in range(100)] + [rnd.randint(-2**31, -1) for _ in range(100)]
    lines = ["Sub Main"]
    want = []
    for x in values:
        lines.append("  Print CStr(%r); \"|\"; Str(%r); \"|\"; %r" % (x, x, x))
        want.append(" %s | %s | %s" % ("%g" % x, "%.14g" % x, "%g" % x))
        if abs(x) < 1e9:
            # Format rounds exact binary ties away from zero; random values are no ties.
            lines.append("  Print Format(%r, \"0.000\")" % x)
            text = "%.3f" % abs(x)
            want.append(" " + ("-" if x < 0 and text.strip("0.") else "") + text)
    for n in whole:
        lines.append("  Print Hex(%d); Oct(%d)" % (n, n))
        want.append(" %s %s" % ("%x" % (n & 0xFFFFFFFF), "%o" % (n & 0xFFFF)))
    lines.append("End Sub")
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "oracle.bas")
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")
        p = subprocess.run([tessel, path], capture_output=True, timeout=60)
    got = p.stdout.decode().split("\n")[:-1]
    bad = [(w, g) for w, g in zip(want, got) if w != g]
    if p.returncode != 0 or len(got) != len(want) or bad:
        print("exit %d, %d lines of %d, stderr %r" % (p.returncode, len(got), len(want), p.stderr[:300]))
        for w, g in bad[:10]:
            print("want %r got %r" % (w, g))
        return 1
    print("%d number texts agree with Python's %% formatting" % len(want))
    return 0


if __name__ == "__main__":
    sys.exit(main())
