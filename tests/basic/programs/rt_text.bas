' Runtime library: text functions, clamped positions, long strings, storage sizes.
Sub Main
  Dim c As Integer, bad As Integer
  Dim i As Integer, l As Long, f As Single, d As Double, s As String, big As String
  Print Mid("abcdef", 2, 3); Right("abcdef", 2); Left("ab", 5); Chr(65)
  Print "[" & Mid("abc", 0, 2) & "][" & Mid("abc", 5, 2) & "][" & Left("abc", 0) & "][" & Right("abc", 9) & "]"
  Print InStr(1, "abcabc", "ca"); InStr(4, "abcabc", "a"); InStr(1, "abc", "z"); InStr(10, "abc", "a")
  Print StrComp("abc", "ABC"); StrComp("a", "b"); StrComp("b", "a")
  Print Asc("A"); Asc(Chr(200)); Asc(""); Asc(Chr(255)) = 255
  Print UCase("abc1"); LCase("ABC"); "[" & LTrim("  a  ") & "]"; "[" & RTrim("  a  ") & "]"; "[" & Trim("  a  ") & "]"
  Print Len(Trim(Chr(9) & " a ")); "[" & Space(3) & "]"; String(3, "xy"); Len(String(5, "a"))
  big = String(50000, "a") & String(50000, "b")
  Print Len(UCase(big)); Right(UCase(big), 2); Len(LCase(big))
  s = "hello"
  Print Len(i); Len(l); Len(f); Len(d); Len(s)
  For c = 0 To 255
    If Asc(Chr(c)) <> c Then bad = bad + 1
  Next c
  Print bad
End Sub
