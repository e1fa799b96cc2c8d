#!/usr/bin/env bash
# Print # of 100 000 lines, then Line Input # of them back, through the
# tessel runner; prints the time of each run and checks the file size
# (" line N" plus CR LF per line). Usage: engine_fileio.sh BUILD_DIR
set -euo pipefail
BUILD=$(realpath "${1:-build}")
TESSEL="$BUILD/bin/tessel"
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
DIR="$TMP/engine_fileio"
mkdir -p "$DIR"
cd "$DIR"

cat > write.bas <<'B'
Sub Main
  Dim i As Long
  Open "lines.txt" For Output As #1
  For i = 1 To 100000
    Print #1, "line"; i
  Next i
  Close #1
End Sub
B
cat > read.bas <<'B'
Sub Main
  Dim s As String, n As Long, total As Long
  Open "lines.txt" For Input As #1
  Do While Not EOF(1)
    Line Input #1, s
    n = n + 1
    total = total + Len(s)
  Loop
  Close #1
  Print n; total
End Sub
B

now() { date +%s.%N; }
t0=$(now); "$TESSEL" write.bas; t1=$(now)
out=$("$TESSEL" read.bas); t2=$(now)
size=$(stat -c %s lines.txt)
# " line" (5) + " N" (digits + 1) + CR LF per line; Line Input keeps the CR.
want=$(/usr/bin/python3 -c 'print(sum(5 + len(str(i)) + 1 + 2 for i in range(1, 100001)))')
wantRead=$(/usr/bin/python3 -c 'print(" 100000", sum(5 + len(str(i)) + 1 + 1 for i in range(1, 100001)))')
[ "$size" = "$want" ] || { echo "file size $size, expected $want"; exit 1; }
[ "$out" = "$wantRead" ] || { echo "read back '$out', expected '$wantRead'"; exit 1; }
awk -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN { printf "engine_fileio: Print # 100k lines %.3f s, Line Input # 100k lines %.3f s\n", b - a, c - b }'
