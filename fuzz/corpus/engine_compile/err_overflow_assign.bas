Sub Main
  Dim i As Integer
  i = 40000
End Sub
