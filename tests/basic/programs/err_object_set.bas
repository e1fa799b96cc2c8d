Sub Main
  Dim n As Integer
  Dim o As Object
  Set o = Nothing
  Set n = o
End Sub
