' Arguments bound on the fast path behave as on the general one: a ByVal
' copy never reaches the caller's variable, a constant widened for its
' parameter keeps its value and is never changed by the callee, named
' arguments and narrowing conversions are untouched.
Const Big = 40000
Const Small = 7

Sub Main
  Dim s As Long, i As Long, n As Integer, d As Double
  s = 5
  Print Bump(s, 1); s
  Print Bump(s, Small); s
  For i = 1 To 3
    s = Bump(s, 2)
  Next i
  Print s
  Print Scale(3, 2); Scale(Big, Small)
  Print Half(5); Half(Big)
  Print Twice(3); Twice(Small)
  Print Bump(b := 2, a := s); s
  Print Change(1); Change(1); Change(Small)
  n = 12
  d = 2.5
  Print Bump(n, 3); n; Scale(d, 2); d
  Print Narrow(Small)
  Print Narrow(Big)
End Sub

' a is ByVal (changed inside, never outside); b is ByRef (a constant
' arrives as a copy).
Function Bump(ByVal a As Long, b As Long) As Long
  a = a + b
  b = 0
  Bump = a
End Function

Function Scale(x As Double, ByVal k As Single) As Double
  Scale = x * k
End Function

Function Half(ByVal v As Double) As Double
  Half = v / 2
End Function

Function Twice(v As Long) As Long
  Twice = v + v
End Function

Function Change(x As Long) As Long
  x = x + 100
  Change = x
End Function

Function Narrow(k As Integer) As Integer
  Narrow = k
End Function
