Sub Main
  x = 0
  Print 5 Mod x
End Sub
