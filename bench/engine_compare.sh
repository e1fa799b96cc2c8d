#!/usr/bin/env bash
# Runs the same micro-programs in tessel, Python 3 and Lua 5.4 and prints the
# CPU times (best of five) and the ratios (tessel time / other time; below 1 means tessel is
# faster). Usage: engine_compare.sh BUILD_DIR
set -uo pipefail
BUILD=$(realpath "${1:-build}")
TESSEL="$BUILD/bin/tessel"
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
DIR="$TMP/engine_compare"
mkdir -p "$DIR"
PY=/usr/bin/python3
LUA=$(command -v lua5.4 || true)

write() { cat > "$DIR/$1"; }

write loop.bas <<'B'
Sub Main
  Dim i As Long, s As Long
  For i = 1 To 10000000
    s = s + 1
  Next i
  Print s
End Sub
B
write loop.py <<'B'
s = 0
for i in range(1, 10000001):
    s = s + 1
print(s)
B
write loop.lua <<'B'
local s = 0
for i = 1, 10000000 do s = s + 1 end
print(s)
B

write fib.bas <<'B'
Sub Main
  Print Fib(30)
End Sub
Function Fib(n As Long) As Long
  If n < 2 Then
    Fib = n
  Else
    Fib = Fib(n - 1) + Fib(n - 2)
  End If
End Function
B
write fib.py <<'B'
def fib(n):
    if n < 2:
        return n
    return fib(n - 1) + fib(n - 2)
print(fib(30))
B
write fib.lua <<'B'
local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end
print(fib(30))
B

write calls.bas <<'B'
Sub Main
  Dim i As Long, s As Long
  For i = 1 To 1000000
    s = Add3(s, 1)
  Next i
  Print s
End Sub
Function Add3(ByVal a As Long, b As Long) As Long
  Add3 = a + b
End Function
B
write calls.py <<'B'
def add3(a, b):
    return a + b
s = 0
for i in range(1, 1000001):
    s = add3(s, 1)
print(s)
B
write calls.lua <<'B'
local function add3(a, b) return a + b end
local s = 0
for i = 1, 1000000 do s = add3(s, 1) end
print(s)
B

write append.bas <<'B'
Sub Main
  Dim s As String, i As Long
  For i = 1 To 100000
    s = s & "x"
  Next i
  Print Len(s)
End Sub
B
write append.py <<'B'
s = ""
for i in range(100000):
    s = s + "x"
print(len(s))
B
write append.lua <<'B'
local s = ""
for i = 1, 100000 do s = s .. "x" end
print(#s)
B

write midinstr.bas <<'B'
Sub Main
  Dim s As String, i As Long, n As Long
  s = "the quick brown fox jumps over the lazy dog"
  For i = 1 To 1000000
    If Mid(s, 5, 5) = "quick" Then n = n + InStr(1, s, "fox")
  Next i
  Print n
End Sub
B
write midinstr.py <<'B'
s = "the quick brown fox jumps over the lazy dog"
n = 0
for i in range(1000000):
    if s[4:9] == "quick":
        n = n + s.find("fox") + 1
print(n)
B
write midinstr.lua <<'B'
local s = "the quick brown fox jumps over the lazy dog"
local n = 0
for i = 1, 1000000 do
  if string.sub(s, 5, 9) == "quick" then n = n + string.find(s, "fox", 1, true) end
end
print(n)
B

write libcall.bas <<'B'
Declare Function labs Lib "libc.so.6" (ByVal n&) As Long
Sub Main
  Dim i As Long, s As Long
  For i = 1 To 1000000
    s = s + labs(-1)
  Next i
  Print s
End Sub
B
write libcall.py <<'B'
s = 0
for i in range(1000000):
    s = s + abs(-1)
print(s)
B
write libcall.lua <<'B'
local s = 0
local abs = math.abs
for i = 1, 1000000 do s = s + abs(-1) end
print(s)
B

write array.bas <<'B'
Sub Main
  Dim a(1000) As Long, i As Long, k As Long
  For i = 1 To 1000000
    k = i Mod 1000
    a(k) = a(k) + 1
  Next i
  Print a(5)
End Sub
B
write array.py <<'B'
a = [0] * 1001
for i in range(1, 1000001):
    k = i % 1000
    a[k] = a[k] + 1
print(a[5])
B
write array.lua <<'B'
local a = {}
for i = 0, 1000 do a[i] = 0 end
for i = 1, 1000000 do local k = i % 1000; a[k] = a[k] + 1 end
print(a[5])
B

write select.bas <<'B'
Sub Main
  Dim i As Long, n As Long
  For i = 1 To 10000000
    Select Case i Mod 4
      Case 0
        n = n + 1
      Case 1
        n = n + 2
      Case Else
        n = n + 3
    End Select
  Next i
  Print n
End Sub
B
write select.py <<'B'
n = 0
for i in range(1, 10000001):
    m = i % 4
    if m == 0:
        n = n + 1
    elif m == 1:
        n = n + 2
    else:
        n = n + 3
print(n)
B
write select.lua <<'B'
local n = 0
for i = 1, 10000000 do
  local m = i % 4
  if m == 0 then n = n + 1 elseif m == 1 then n = n + 2 else n = n + 3 end
end
print(n)
B

seconds() {  # the best CPU time (user + system) of five runs (the machine may be shared)
  local t best="" TIMEFORMAT="%U %S"
  for run in 1 2 3 4 5; do
    t=$( { time "$@" > "$DIR/out.txt" 2>&1; } 2>&1 ) || { echo "failed"; return; }
    t=$(awk -v u="${t% *}" -v s="${t#* }" 'BEGIN { printf "%.6f", u + s }')
    if [[ -z "$best" ]] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  printf "%.3f" "$best"
}

printf "%-10s %9s %9s %9s %9s %9s\n" test tessel python3 lua5.4 vs.py vs.lua
status=0
for t in ${ENGINE_COMPARE_ONLY:-loop fib calls append midinstr libcall array select}; do
  tt=$(seconds "$TESSEL" "$DIR/$t.bas")
  tp=$(seconds "$PY" "$DIR/$t.py")
  tl="-"
  [[ -n "$LUA" ]] && tl=$(seconds "$LUA" "$DIR/$t.lua")
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b; else printf "-" }'; }
  rp=$(ratio "$tt" "$tp")
  rl="-"
  [[ "$tl" != "-" ]] && rl=$(ratio "$tt" "$tl")
  printf "%-10s %9s %9s %9s %9s %9s\n" "$t" "$tt" "$tp" "$tl" "$rp" "$rl"
done
if [[ -x "$BUILD/bin/bench_engine_host" ]]; then
  "$BUILD/bin/bench_engine_host" || status=1
fi
exit $status
