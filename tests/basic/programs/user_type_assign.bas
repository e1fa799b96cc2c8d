' Whole user-type values are copied member by member between variables,
' parameters and elements of user-type arrays.
Type Pt
  x As Integer
  n As String
End Type
Type Other
  v As Double
End Type

Sub Main
  Dim p As Pt, q As Pt, a(3) As Pt, i As Integer
  p.x = 5: p.n = "five"
  q = p
  p.x = 6
  Print q.x; q.n; p.x
  a(1) = q
  a(2) = a(1)
  a(2).x = 7
  Print a(1).x; a(1).n; a(2).x; a(2).n
  q = a(2)
  Print q.x; q.n
  Copy q
End Sub

Sub Copy(r As Pt)
  Dim w As Pt
  w = r
  r.x = 0
  Print w.x; r.x
End Sub
