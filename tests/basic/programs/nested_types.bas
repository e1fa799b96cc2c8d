' A TYPE defined inside another TYPE is a type of its own; both are usable.
Type Outer
  a As Integer
  Type Inner
    s As String
    d As Double
  End Type
  b As Long
End Type

Sub Main
  Dim o As Outer
  Dim i As Inner
  o.a = 3: o.b = 70000
  i.s = "in": i.d = 0.5
  Print o.a; o.b; i.s; i.d
End Sub
