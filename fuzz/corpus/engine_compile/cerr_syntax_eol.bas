Sub Main
  x = (1 +
End Sub
