' Arrays of user types, member access on elements, user-type parameters
' (ByRef shares the caller's members, ByVal copies them), recursion with a
' user-type argument, LBound/UBound and Erase of a user-type array.
Type Pt
  x As Integer
  y As Double
  n As String
End Type
Type Node
  v As Long
  depth As Integer
End Type

Sub Main
  Dim a(1 To 3) As Pt
  Dim p As Pt
  Dim i As Integer
  For i = 1 To 3
    a(i).x = i * 10
    a(i).y = i / 4
    a(i).n = "p" & i
  Next i
  Print a(2).x; a(3).y; a(1).n
  p.x = 7
  Bump p
  Print p.x; p.n
  Bump a(2)
  Print a(2).x; a(2).n
  Print Total(a(1), a(3))
  LocalArray
  Dim g(2, 1) As Pt
  g(2, 1).n = "last"
  Print g(2, 1).n; g(0, 0).x
  ShowVal p
  Print p.x
  Dim t As Node
  t.v = 1
  Grow t, 5
  Print t.v; t.depth
  Dim b(2 To 4) As Pt
  b(3).x = 5: b(4).n = "z"
  Print LBound(b); UBound(b)
  Erase b
  Print b(3).x; Len(b(4).n)
End Sub

Sub Bump(q As Pt)
  q.x = q.x + 1
  q.n = q.n & "!"
End Sub

Function Total(u As Pt, v As Pt) As Integer
  Total = u.x + v.x
End Function

Sub LocalArray
  Dim c(2) As Pt
  c(2).y = 1.5
  Bump c(2)
  Print c(2).x; c(2).y; c(2).n
End Sub

Sub ShowVal(ByVal q As Pt)
  q.x = 99
  Print q.x
End Sub

Sub Grow(t As Node, times As Integer)
  If times = 0 Then Exit Sub
  t.v = t.v * 2
  t.depth = t.depth + 1
  Grow t, times - 1
End Sub
