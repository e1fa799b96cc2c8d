' One-subscript Long elements read and stored on the quick path give what
' the general path gives: lower bounds, Integer and Long subscripts, values
' of other types, targets of other types, a subscript out of range.
Sub Main
  Dim a(5 To 9) As Long, i As Integer, k As Long, x As Long, v, d As Double
  For k = 5 To 9
    a(k) = a(k) + k * 1000
  Next k
  i = 7
  a(i) = a(i) + 1
  v = a(i)
  x = a(8)
  d = a(9)
  a(5) = 2.5
  a(6) = "12"
  Print a(5); a(6); v; x; d; LBound(a); UBound(a)
  k = 10
  a(k) = a(k) + 1
  Print "not reached"
End Sub
