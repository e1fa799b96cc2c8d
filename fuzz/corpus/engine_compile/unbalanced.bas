Sub Main
  x = ((((1 + 2) * 3)
End Sub
