#!/usr/bin/python3
"""Runs every program of tests/basic/programs through tessel and compares its
standard output, standard error and exit status with the expected files
written beside it (NAME.out, NAME.err, NAME.exit; missing .err/.exit mean
empty and 0). Programs that succeed are also compiled to a compiled-code file
and run again from it: the output must be identical. Truncated and altered
compiled-code files must be refused."""
import os
import shutil
import subprocess
import sys
import tempfile


def read(path, default=b""):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return default


def run(tessel, args, cwd):
    p = subprocess.run([tessel] + args, cwd=cwd, capture_output=True, timeout=120)
    return p.returncode, p.stdout, p.stderr


def main():
    tessel, folder = sys.argv[1], sys.argv[2]
    only = sys.argv[3:]
    failures = 0
    count = 0
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".bas"):
            continue
        base = name[:-4]
        if only and base not in only:
            continue
        count += 1
        want_out = read(os.path.join(folder, base + ".out"))
        want_err = read(os.path.join(folder, base + ".err"))
        want_exit = int(read(os.path.join(folder, base + ".exit"), b"0").strip() or 0)
        with tempfile.TemporaryDirectory() as tmp:
            shutil.copy(os.path.join(folder, name), os.path.join(tmp, name))
            code, out, err = run(tessel, [name], tmp)
            problems = []
            if code != want_exit:
                problems.append("exit %d, expected %d" % (code, want_exit))
            if out != want_out:
                problems.append("stdout %r, expected %r" % (out, want_out))
            if err != want_err:
                problems.append("stderr %r, expected %r" % (err, want_err))
            if want_exit == 0 and not problems:
                c2, o2, e2 = run(tessel, ["--compile", name, "-o", base + ".bin"], tmp)
                if c2 != 0:
                    problems.append("--compile failed: %r" % e2)
                else:
                    c3, o3, e3 = run(tessel, [base + ".bin"], tmp)
                    if (c3, o3, e3) != (code, out, err):
                        problems.append("compiled code gives %r %r %r" % (c3, o3, e3))
                    data = read(os.path.join(tmp, base + ".bin"))
                    bad = {"truncated": data[: len(data) // 2],
                           "bad tag": data[:4] + b"\x00\x00\x00\x00" + data[8:],
                           "bad index": data[:-6] + b"\xff\xff\xff\xff\x00\x00" if len(data) > 6 else data,
                           "extra bytes": data + b"x"}
                    for what, blob in bad.items():
                        with open(os.path.join(tmp, "bad.bin"), "wb") as f:
                            f.write(blob)
                        c4, o4, e4 = run(tessel, ["bad.bin"], tmp)
                        if c4 != 1 or o4:
                            problems.append("%s compiled code accepted: %d %r %r" % (what, c4, o4, e4))
        if problems:
            failures += 1
            print("FAIL %s: %s" % (base, "; ".join(problems)))
        else:
            print("ok   %s" % base)
    print("%d programs, %d failed" % (count, failures))
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
