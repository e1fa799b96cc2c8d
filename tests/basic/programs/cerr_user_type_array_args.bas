Declare Function labs Lib "libc.so.6" (ByVal n&) As Long
Type Pt
  x As Integer
End Type
Type Other
  s As String
End Type

Sub Main
  Dim pts(3) As Pt
  Dim others(3) As Other
  Dim p As Pt
  Dim nums(3) As Integer
  Walk others
  Walk p
  Walk pts(1)
  Walk nums
  One pts
  Count pts
  Walk pts
  Print labs(pts)
End Sub

Sub Walk(a() As Pt)
End Sub

Sub One(q As Pt)
End Sub

Sub Count(n() As Integer)
End Sub
