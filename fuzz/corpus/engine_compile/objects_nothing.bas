' Object variables without a host: Nothing, Set, copies and arrays of objects.
Sub Main
  Dim o As Object
  Dim v
  Dim objs(2) As Object
  Set o = Nothing
  Set v = o
  Set objs(1) = v
  Set objs(2) = Nothing
  v = 5
  Print v; "set"
  Keep o
  Print "still"
  o.Count = 1
End Sub

Sub Keep(x As Object)
  Dim y As Object
  Set y = x
End Sub
