Type Pt
  x As Integer
End Type
Type Other
  s As String
End Type

Sub Main
  Dim a(3) As Pt
  Dim o As Other
  Dim k As Integer
  Take k
  Take o
  Plain a(1)
  Print a(2)
  a(2) = 1
  Two a(1)
End Sub

Sub Take(q As Pt)
End Sub

Sub Plain(n As Integer)
End Sub

Sub Two(q As Pt, r As Pt)
End Sub

Sub Arr(z() As Pt)
End Sub
