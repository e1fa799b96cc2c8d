Sub Main
  Dim o As Object, v
  Set v = Nothing
  x = v.Child(1).Count + o.Add(a:=1, b:="t")
  v.Method 1, "two"
  Set v.Child = o
  Print o; v.Name
  Make().Go
End Sub
Function Make() As Object
  Set Make = Nothing
End Function
