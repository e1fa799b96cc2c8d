Sub Main
  Dim o As Object
  .Count = 1
End Sub
