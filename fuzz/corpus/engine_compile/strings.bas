' Text functions and operators.
Sub Main
  Dim s As String
  s = "Hello, World"
  Print Left(s, 5); Right(s, 5); Mid(s, 8, 3)
  Print InStr(1, "abcabc", "ca"); InStr(4, "abcabc", "a"); InStr(1, "abc", "z")
  Print UCase(s); LCase("ABC")
  Print "[" & Trim("  a b  ") & "]"; "[" & LTrim("  x") & "]"; "[" & RTrim("x  ") & "]"
  Print Asc("A"); Chr(66); Len(Space(3)); String(3, "xy")
  Print StrComp("abc", "ABC"); StrComp("a", "b")
  Print "ABC" < "abd"
  Print Left("ab", 5)
  Dim t As String
  For i = 1 To 3
    t = t & i
  Next i
  Print t
  Print "abc" + "def"
  Print "abc"
  Print "ABC"
End Sub
