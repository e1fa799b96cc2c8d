Sub Main
  Print 1 / 0
End Sub
