' Runtime library: math and conversions (printf-style results checked with Python's % formatting).
Sub Main
  Dim k As Integer, bad As Integer, r As Double
  Print Abs(-2.5); Abs(-3); Abs("-4.5")
  Print Sqr(16); Exp(0); Log(1); Atn(0); Cos(0); Sin(0); Tan(0); Sqr(2)
  Print Int(-2.5); Int(-2); Fix(-2.5); CInt(-2.5); CInt(2.5); CLng(-3.5); CLng(1.5)
  Print CDbl(1.25); CSng(1.5); CStr(0.1); Str(1 / 3); Str(Sqr(2))
  Print Hex(255); Hex(-1); Hex(-2); Oct(8); Oct(-1); Hex(2.5); Hex(-2.5)
  Print Val("12.5abc"); Val("abc"); Val("-3e2")
  Print Rnd(0); Rnd(0); Rnd(0)
  For k = 1 To 2000
    r = Int(Rnd(0) * 6) + 1
    If r < 1 Or r > 6 Then bad = bad + 1
  Next k
  Print bad
End Sub
