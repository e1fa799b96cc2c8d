#!/usr/bin/python3
"""MsgBox and InputBox without host callbacks, on a terminal: tessel runs on
a pseudo-terminal, the test answers the prompts and checks the button codes
and the text the program got back."""
import os
import pty
import sys
import tempfile

PROGRAM = """Sub Main
  Print MsgBox("Sure?", 4, "Q")
  Print MsgBox("Again?", 3 + 256)
  Print MsgBox("Plain")
  Print "[" & InputBox("Name?", "", "dflt") & "]"
  Print "[" & InputBox("Other?", "", "dflt") & "]"
End Sub
"""
ANSWERS = [b"n\n", b"\n", b"bogus\n", b"ok\n", b"typed here\n", b"\n"]
WANT = [b"Q: Sure?", b" 7", b"Again?", b" 7", b"Plain", b" 1", b" [typed here]", b" [dflt]"]


def main():
    tessel = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "term.bas")
        with open(path, "w") as f:
            f.write(PROGRAM)
        pid, fd = pty.fork()
        if pid == 0:
            os.execv(tessel, [tessel, path])
        pending = list(ANSWERS)
        data = b""
        while True:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                break
            if not chunk:
                break
            data += chunk
            # Answer each prompt ("[...] " or "> ") as it appears.
            while pending and (data.count(b"] ") + data.count(b"> ")) > len(ANSWERS) - len(pending):
                os.write(fd, pending.pop(0))
        _, status = os.waitpid(pid, 0)
    lines = [l.strip(b"\r") for l in data.split(b"\n")]
    # Prompt lines echo the answers; keep the result lines in their order.
    results = [l for l in lines if any(l == w for w in WANT)]
    if os.waitstatus_to_exitcode(status) != 0 or results != WANT:
        print("exit %d, output %r" % (os.waitstatus_to_exitcode(status), data))
        print("results %r, expected %r" % (results, WANT))
        return 1
    print("terminal dialogs ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
