Sub Main
  Dim a(3)
  a(3) = 1
  a(4) = 1
End Sub
