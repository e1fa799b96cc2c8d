Sub Main
  x = 1
  y = 2 @ 3
End Sub
