' Fixed arrays with bounds, Erase, array parameters, user types, fixed strings.
Option Base 1
Type Point
  X As Integer
  Y As Double
  Label As String
End Type
Dim g(3) As Long

Sub Main
  Dim a(5) As Integer, i As Integer
  Dim m(2 To 3, 2) As String
  Dim p As Point
  For i = 1 To 5
    a(i) = i * i
  Next i
  Print a(1); a(5); LBound(a); UBound(a)
  Print LBound(m, 1); UBound(m, 1); LBound(m, 2); UBound(m, 2)
  m(3, 2) = "corner"
  Print m(3, 2); Len(m(2, 1))
  p.X = 3: p.Y = 1.5: p.Label = "pt"
  Print p.X; p.Y; p.Label
  g(2) = 70000
  Fill g
  Print g(1); g(2); g(3)
  Erase a
  Print a(5)
  Dim s As String * 4
  s = "abcdef"
  Print s; Len(s)
  s = "x"
  Print s & "|"
End Sub

Sub Fill(arr() As Long)
  arr(1) = arr(2) + 1
  arr(3) = 9
End Sub
